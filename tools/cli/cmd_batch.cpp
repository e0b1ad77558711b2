// tunebatch-cli batch KEYWORD|ADDRESS --save DIR [--plugin] [--helpers N] [--tags]
//                     [--lyrics-file] [--pick LIST] [--answer yes|no]
//   Fills a result list by the search, ticks the picked rows (all without --pick), puts DIR
//   into the save folder, ticks the plug-in switch with --plugin (releasing the helper into
//   the current folder), switches on the download options with --tags (write the song's
//   tag) and --lyrics-file (save a lyrics file) and runs the batch download command. Each
//   message box prints "prompt: TEXT" and a question is answered by --answer. When the
//   command has ended (after the last internal download, and after the last helper has
//   ended; at most N helpers run at once, 16 unless given) every row prints
//   "row INDEX<TAB>NAME<TAB>PROGRESS<TAB>STATUS<TAB>TICKED".

#include "batch/batch_download.h"
#include "batch/plugin_handoff.h"
#include "catalogue/catalogue_addresses.h"
#include "catalogue/memory_result_list.h"
#include "catalogue/song_list_fetch.h"
#include "cli_command.h"
#include "data/local_text.h"
#include "download/download_engine.h"
#include "download/download_worker.h"
#include "platform/prompt.h"
#include "plugin/plugin_image.h"

#include <iostream>
#include <memory>
#include <set>

namespace tb::cli {
namespace {

struct BatchOptions {
    std::string keyword;
    std::string saveFolder;
    bool plugin = false;
    int helpers = batch::kMaxHelpers;
    bool tags = false;
    bool lyricsFile = false;
    std::optional<std::string> pick;
    std::string answer = "yes";
};

// Prints every box as one line and answers questions as told.
class PrintingPrompt : public platform::Prompt {
public:
    explicit PrintingPrompt(bool yes) : m_yes(yes) {}
    platform::PromptAnswer ask(const std::string& text, const std::string&,
                               platform::PromptButtons buttons) override {
        std::cout << "prompt: " << LocalToUtf8(ReplaceAll(text, "\r\n", " ")) << std::endl;
        switch (buttons) {
        case platform::PromptButtons::YesNo:
            return m_yes ? platform::PromptAnswer::Yes : platform::PromptAnswer::No;
        case platform::PromptButtons::OkCancel:
            return m_yes ? platform::PromptAnswer::Ok : platform::PromptAnswer::Cancel;
        case platform::PromptButtons::Ok:
            break;
        }
        return platform::PromptAnswer::Ok;
    }

private:
    bool m_yes;
};

// The 0-based indexes of a comma-separated list; empty optional when it is malformed.
std::optional<std::set<int>> parsePick(const std::string& list) {
    std::set<int> rows;
    std::size_t start = 0;
    while (start <= list.size() && !list.empty()) {
        const std::size_t comma = std::min(list.find(',', start), list.size());
        const std::string item = list.substr(start, comma - start);
        if (item.empty() || item.size() > 9 ||
            item.find_first_not_of("0123456789") != std::string::npos) {
            return std::nullopt;
        }
        rows.insert(std::stoi(item));
        start = comma + 1;
    }
    return rows;
}

bool tickRows(ResultList& list, const std::optional<std::string>& pick) {
    const std::set<int> picked = pick ? *parsePick(*pick) : std::set<int>();
    for (const int row : picked) {
        if (row >= list.rowCount()) {
            fail("no row " + std::to_string(row) + " in the list of " +
                 std::to_string(list.rowCount()));
            return false;
        }
    }
    for (int row = 0; row < list.rowCount(); ++row) {
        list.setTicked(row, !pick || picked.contains(row));
    }
    return true;
}

void printRows(const ResultList& list) {
    for (int row = 0; row < list.rowCount(); ++row) {
        std::cout << "row " << row << '\t' << LocalToUtf8(list.cell(row, kColName)) << '\t'
                  << LocalToUtf8(list.cell(row, kColProgress)) << '\t'
                  << LocalToUtf8(list.cell(row, kColStatus)) << '\t' << (list.isTicked(row) ? 1 : 0)
                  << '\n';
    }
}

int runBatch(const BatchOptions& options) {
    platform::setPrompt(std::make_shared<PrintingPrompt>(options.answer == "yes"));
    MemoryResultList list;
    FetchSongListInto(Utf8ToLocal(options.keyword), list, ConfiguredCatalogueHosts());
    if (!tickRows(list, options.pick)) {
        return 1;
    }
    batch::PlainDownloadControls controls;
    controls.folder = Utf8ToLocal(options.saveFolder);
    controls.songTags = options.tags;
    controls.lyricsFile = options.lyricsFile;
    if (options.plugin) {
        controls.pluginTicked = true;
        batch::OnPluginSwitchClicked(true, plugin::EmbeddedPluginImage);
    }
    download::DownloadEngine engine;
    engine.initialise(20480, 0, 0);
    {
        download::DownloadWorker worker(engine, list);
        batch::WorkerRowDownloader downloader(worker, engine);
        batch::BatchDownload command({list, controls, downloader}, options.helpers);
        command.DownloadTickedSongs();
        command.waitForHelpers();
        engine.waitUntilIdle();
    }
    platform::setPrompt(nullptr);
    printRows(list);
    return 0;
}

CliRunner setupBatch(CLI::App& command) {
    auto options = std::make_shared<BatchOptions>();
    command
        .add_option("KEYWORD|ADDRESS", options->keyword, "a keyword or a playlist share address")
        ->required();
    command.add_option("--save", options->saveFolder, "the save folder")->required();
    command.add_flag("--plugin", options->plugin,
                     "download through the helper batchget, one process per song");
    command.add_flag("--tags", options->tags,
                     "write each song's tag: title, artist, album, cover and lyrics (ID3v2.4)");
    command.add_flag("--lyrics-file", options->lyricsFile,
                     "save the timed lyrics beside each song as NAME.lrc");
    command
        .add_option("--helpers", options->helpers,
                    "helpers that may run at once with --plugin (default 16)")
        ->check(CLI::Range(1, 1000));
    command
        .add_option("--pick", options->pick,
                    "0-based rows to tick, comma-separated "
                    "(default: all; \"\" ticks none)")
        ->check([](const std::string& list) {
            return parsePick(list) ? std::string() : "not a comma-separated list of rows";
        });
    command.add_option("--answer", options->answer, "answer to questions (default yes)")
        ->check(CLI::IsMember({"yes", "no"}));
    command.footer("Hosts come from TUNEBATCH_SEARCH_HOST and TUNEBATCH_PLAY_HOST. Output: a line "
                   "\"prompt: TEXT\" per message box, then \"row INDEX<TAB>NAME<TAB>PROGRESS<TAB>"
                   "STATUS<TAB>TICKED\" per row.");
    return [options] { return runBatch(*options); };
}

const CliCommandRegistration kRegistration("batch",
                                           "download the ticked songs of a search, like the "
                                           "window's 下载选中歌曲",
                                           setupBatch);

} // namespace
} // namespace tb::cli
