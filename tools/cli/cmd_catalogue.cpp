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
#include "catalogue/memory_result_list.h"
#include "catalogue/search_aids.h"
#include "catalogue/song_detail.h"
#include "catalogue/song_list_fetch.h"
#include "cli_command.h"
#include "data/local_text.h"
#include "platform/prompt.h"

#include <iostream>

namespace tb::cli {
namespace {

// Prints the rows of a search, or its empty-state text on stderr when there are none.
void printResultList(const MemoryResultList& list) {
    for (int row = 0; row < list.rowCount(); ++row) {
        for (int column = 0; column < kResultColumnCount; ++column) {
            std::cout << (column ? "\t" : "") << LocalToUtf8(list.cell(row, column));
        }
        std::cout << "\n";
    }
    if (list.rowCount() == 0 && !list.emptyText().empty()) {
        std::cerr << LocalToUtf8(list.emptyText()) << "\n";
    }
}

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
    MemoryResultList list;
    FetchSongListInto(Utf8ToLocal(keyword), list, ConfiguredCatalogueHosts());
    platform::setPrompt(nullptr);
    printResultList(list);
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
