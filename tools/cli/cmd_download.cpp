// tunebatch-cli download URL FILE [--connections N] [--buffer BYTES]
// Fetches one address into a new file with the download engine, printing every event as
// "event KIND VALUE SECOND" and at the end "done BYTES SECONDS MBPS", or "failed REASON" on
// stderr.

#include "cli_command.h"
#include "data/local_text.h"
#include "download/download_engine.h"
#include "download/song_settings.h"

#include <chrono>
#include <cstdio>
#include <memory>

namespace tb::cli {
namespace {

struct DownloadOptions {
    std::string url;
    std::string file;
    int connections = 3;
    int buffer = 20480;
};

int runDownload(const DownloadOptions* options) {
    download::DownloadEngine engine;
    engine.initialise(options->buffer, 0, 0);
    download::DownloadSettings settings = download::SongDownloadSettings(
        Utf8ToLocal(options->url), Utf8ToLocal(options->file),
        [](int kind, int, std::int64_t value, std::int64_t second, std::string&) {
            std::printf("event %d %lld %lld\n", kind, static_cast<long long>(value),
                        static_cast<long long>(second));
            return kind == download::kEventTargetExists ? download::kGiveUp : 0;
        });
    settings.connections = options->connections;
    const auto started = std::chrono::steady_clock::now();
    if (!engine.start(settings)) {
        return fail("failed the engine did not start");
    }
    engine.waitUntilIdle();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const download::DownloadOutcome outcome = engine.lastOutcome();
    if (!outcome.complete) {
        std::fflush(stdout);
        std::fprintf(stderr, "failed %s\n", outcome.reason.c_str());
        return 1;
    }
    std::printf("done %lld %.3f %.2f\n", static_cast<long long>(outcome.bytes), seconds,
                seconds > 0 ? static_cast<double>(outcome.bytes) / 1e6 / seconds : 0.0);
    return 0;
}

CliRunner setupDownload(CLI::App& command) {
    auto options = std::make_shared<DownloadOptions>();
    command.add_option("URL", options->url, "the address")->required();
    command.add_option("FILE", options->file, "the new file (never overwritten)")->required();
    command.add_option("--connections", options->connections, "connections at most (default 3)")
        ->check(CLI::Range(1, 1 << 30));
    command.add_option("--buffer", options->buffer, "receive buffer in bytes (default 20480)")
        ->check(CLI::Range(1, 1 << 30));
    command.footer("Prints one line per engine event, \"event KIND VALUE SECOND\", then "
                   "\"done BYTES SECONDS MBPS\"; a failure prints \"failed REASON\" on stderr and "
                   "exits 1.");
    return [options] { return runDownload(options.get()); };
}

const CliCommandRegistration
    kRegistration("download", "download one address with the download engine", setupDownload);

} // namespace
} // namespace tb::cli
