// tunebatch-cli search KEYWORD|ADDRESS
//   Searches the catalogue (or reads a playlist share page) and prints each result row's
//   eleven columns, tab-separated, one row a line.
// tunebatch-cli detail URL
//   Resolves a play-information address: prints "play_url: ...", "image: ...", "lyrics:"
//   and the lyrics. Fails when the reply names no audio address.
// tunebatch-cli suggest TEXT
//   Prints the search suggestions for TEXT, one a line.
// Hosts come from the endpoint configuration (TUNEBATCH_SEARCH_HOST, _TIP_HOST, _PLAY_HOST).
// Arguments and output are UTF-8.

#include "catalogue/catalogue_addresses.h"
#include "catalogue/result_list.h"
#include "catalogue/search_aids.h"
#include "catalogue/song_detail.h"
#include "catalogue/song_list_fetch.h"
#include "cli_command.h"
#include "data/local_text.h"
#include "platform/prompt.h"

#include <array>
#include <iostream>
#include <memory>
#include <vector>

namespace tb::cli {
namespace {

// Result rows kept in memory for printing.
class PrintedResultList : public ResultList {
public:
    int rowCount() const override { return static_cast<int>(m_rows.size()); }
    void clearRows() override { m_rows.clear(); }
    int appendRow() override {
        m_rows.emplace_back();
        return rowCount() - 1;
    }
    std::string cell(int row, int column) const override {
        return valid(row, column) ? m_rows[row][column] : std::string();
    }
    void setCell(int row, int column, const std::string& text) override {
        if (valid(row, column)) {
            m_rows[row][column] = text;
        }
    }
    bool isTicked(int) const override { return false; }
    void setTicked(int, bool) override {}
    int selectedRow() const override { return -1; }
    void selectRow(int) override {}
    void ensureVisible(int) override {}
    void focus() override {}
    void setEmptyText(const std::string& text) override { m_emptyText = text; }

    void print() const {
        for (const auto& row : m_rows) {
            for (int column = 0; column < kResultColumnCount; ++column) {
                std::cout << (column ? "\t" : "") << LocalToUtf8(row[column]);
            }
            std::cout << "\n";
        }
        if (m_rows.empty() && !m_emptyText.empty()) {
            std::cerr << LocalToUtf8(m_emptyText) << "\n";
        }
    }

private:
    bool valid(int row, int column) const {
        return row >= 0 && row < rowCount() && column >= 0 && column < kResultColumnCount;
    }
    std::vector<std::array<std::string, kResultColumnCount>> m_rows;
    std::string m_emptyText;
};

const char* const kHostsFooter =
    "Hosts come from TUNEBATCH_SEARCH_HOST, TUNEBATCH_TIP_HOST and TUNEBATCH_PLAY_HOST.";

// Message boxes of the search go to stderr and make the command fail.
class StderrPrompt : public platform::Prompt {
public:
    platform::PromptAnswer ask(const std::string& text, const std::string&,
                               platform::PromptButtons) override {
        std::cerr << LocalToUtf8(text) << "\n";
        shown = true;
        return platform::PromptAnswer::Ok;
    }
    bool shown = false;
};

int search(const std::string& keyword) {
    auto prompt = std::make_shared<StderrPrompt>();
    platform::setPrompt(prompt);
    PrintedResultList list;
    FetchSongListInto(Utf8ToLocal(keyword), list, ConfiguredCatalogueHosts());
    platform::setPrompt(nullptr);
    list.print();
    return prompt->shown ? 1 : 0;
}

int detail(const std::string& url) {
    std::string image;
    std::string lyrics;
    const std::string playUrl = ResolveSongDetail(Utf8ToLocal(url), image, lyrics);
    std::cout << "play_url: " << LocalToUtf8(playUrl) << "\nimage: " << LocalToUtf8(image)
              << "\nlyrics:\n"
              << LocalToUtf8(lyrics) << "\n";
    return playUrl.empty() ? fail("no audio address in the play information") : 0;
}

int suggest(const std::string& text) {
    const auto texts = RequestSuggestions(ConfiguredCatalogueHosts().tip, Utf8ToLocal(text));
    if (!texts) {
        return fail("the search-tip reply could not be read");
    }
    for (const auto& item : *texts) {
        std::cout << LocalToUtf8(item) << "\n";
    }
    return 0;
}

// A command of one required text argument.
CliSetup oneArgument(std::string name, std::string help, int (*run)(const std::string&)) {
    return [name, help, run](CLI::App& command) -> CliRunner {
        auto value = std::make_shared<std::string>();
        command.add_option(name, *value, help)->required();
        command.footer(kHostsFooter);
        return [value, run] { return run(*value); };
    };
}

const CliCommandRegistration
    kSearch("search", "search the catalogue and print the eleven columns of each row",
            oneArgument("KEYWORD|ADDRESS", "a keyword or a playlist share address", search));
const CliCommandRegistration
    kDetail("detail", "resolve a play-information address",
            oneArgument("URL", "the play-information address (column 4 of a row)", detail));
const CliCommandRegistration kSuggest("suggest", "print the search suggestions for a text",
                                      oneArgument("TEXT", "the text typed so far", suggest));

} // namespace
} // namespace tb::cli
