// tunebatch-cli download URL FILE [--connections N] [--buffer BYTES]
// Fetches one address into a new file with the download engine, printing every event as
// "event KIND VALUE SECOND" (each line flushed as printed) and at the end
// "done BYTES SECONDS MBPS", or "failed REASON" on stderr. SIGINT and SIGTERM stop the
// download cleanly: its partial file and journal stay for the next run, which continues it;
// exit 130 / 143.

#include "cli_command.h"
#include "data/local_text.h"
#include "download/download_engine.h"
#include "platform/stop_signals.h"

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

download::DownloadSettings settingsFor(const DownloadOptions& options) {
    download::DownloadSettings settings;
    settings.bufferSize = 4096;
    settings.address = Utf8ToLocal(options.url);
    settings.file = Utf8ToLocal(options.file);
    settings.connections = options.connections;
    settings.connectTimeoutMs = 5000;
    settings.sendTimeoutMs = 5001;
    settings.receiveTimeoutMs = 10000;
    settings.stopGraceMs = 1000;
    settings.secondBufferSize = 20480;
    settings.receiver = [](int kind, int, std::int64_t value, std::int64_t second, std::string&) {
        std::printf("event %d %lld %lld\n", kind, static_cast<long long>(value),
                    static_cast<long long>(second));
        std::fflush(stdout); // a reader following the download sees each event at once
        return kind == download::kEventTargetExists ? download::kGiveUp : 0;
    };
    return settings;
}

// Runs the task to its end. A stop signal stops it (its partial file stays); the signal's
// number is returned then, else 0.
int runTask(download::DownloadEngine& engine, const download::DownloadSettings& settings,
            bool& started) {
    // Before the engine's threads exist, so that they never receive the signals themselves.
    platform::StopSignalWatcher signals([&engine](int) { engine.stop(); });
    started = engine.start(settings);
    if (started && signals.received() != 0) {
        engine.stop(); // the signal came while the task was being started
    }
    if (started) {
        engine.waitUntilIdle();
    }
    return signals.received();
}

int runDownload(const DownloadOptions* options) {
    download::DownloadEngine engine;
    engine.initialise(options->buffer, 0, 0);
    const auto started = std::chrono::steady_clock::now();
    bool running = false;
    const int signal = runTask(engine, settingsFor(*options), running);
    if (!running) {
        return fail("failed the engine did not start");
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const download::DownloadOutcome outcome = engine.lastOutcome();
    if (!outcome.complete) {
        std::fflush(stdout);
        std::fprintf(stderr, "failed %s\n", outcome.reason.c_str());
        return signal != 0 ? 128 + signal : 1;
    }
    const auto received = static_cast<double>(outcome.bytes - outcome.resumedBytes);
    std::printf("done %lld %.3f %.2f\n", static_cast<long long>(outcome.bytes), seconds,
                seconds > 0 ? received / 1e6 / seconds : 0.0);
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
    command.footer(
        "Prints one line per engine event, \"event KIND VALUE SECOND\", then "
        "\"done BYTES SECONDS MBPS\"; a failure prints \"failed REASON\" on stderr and "
        "exits 1. SIGINT and SIGTERM stop the download and keep its partial file, so the "
        "same command continues it (exit 130 / 143).");
    return [options] { return runDownload(options.get()); };
}

const CliCommandRegistration
    kRegistration("download", "download one address with the download engine", setupDownload);

} // namespace
} // namespace tb::cli
