// catalogue-standin: serves the stand-in catalogue on 127.0.0.1 until it is killed.
// Prints the bound port on the first line of stdout.
//
//   catalogue-standin [--port N] (--data DIR | --synthetic N) [--audio-base URL]
//                     [--delay-ms MS] [--reset-mid-body] [--status-500] [--non-json]
//                     [--ignore-range] [--fault-path PREFIX] [--fault-skip N]
//                     [--fault-count N]

#include "standin_server.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>

namespace {

struct Options {
    int port = 0;
    std::string dataDir;
    int synthetic = -1;
    std::string audioBase; // play information names audio there instead of here
    tb::standin::FaultSwitches faults;
};

int usage() {
    std::cerr
        << "usage: catalogue-standin [--port N] (--data DIR | --synthetic N) [--audio-base URL]\n"
           "       [--delay-ms MS] [--reset-mid-body] [--status-500] [--non-json]\n"
           "       [--ignore-range] [--fault-path PREFIX] [--fault-skip N] [--fault-count N]\n";
    return 2;
}

std::optional<Options> parseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--port" && hasValue) {
            options.port = std::atoi(argv[++i]);
        } else if (arg == "--data" && hasValue) {
            options.dataDir = argv[++i];
        } else if (arg == "--audio-base" && hasValue) {
            options.audioBase = argv[++i];
        } else if (arg == "--synthetic" && hasValue) {
            options.synthetic = std::atoi(argv[++i]);
        } else if (arg == "--delay-ms" && hasValue) {
            options.faults.delayMs = std::atoi(argv[++i]);
        } else if (arg == "--fault-path" && hasValue) {
            options.faults.pathPrefix = argv[++i];
        } else if (arg == "--fault-skip" && hasValue) {
            options.faults.skip = std::atoi(argv[++i]);
        } else if (arg == "--fault-count" && hasValue) {
            options.faults.count = std::atoi(argv[++i]);
        } else if (arg == "--reset-mid-body") {
            options.faults.resetMidBody = true;
        } else if (arg == "--status-500") {
            options.faults.status500 = true;
        } else if (arg == "--non-json") {
            options.faults.nonJson = true;
        } else if (arg == "--ignore-range") {
            options.faults.ignoreRange = true;
        } else {
            return std::nullopt;
        }
    }
    if (options.dataDir.empty() == (options.synthetic < 0) || options.port < 0) {
        return std::nullopt;
    }
    return options;
}

} // namespace

int main(int argc, char** argv) {
    const auto options = parseOptions(argc, argv);
    if (!options) {
        return usage();
    }
    std::optional<tb::standin::SongCatalogue> catalogue;
    if (options->synthetic >= 0) {
        catalogue = tb::standin::SongCatalogue::synthetic(options->synthetic);
    } else {
        std::string error;
        catalogue = tb::standin::SongCatalogue::loadDirectory(options->dataDir, error);
        if (!catalogue) {
            std::cerr << "catalogue-standin: " << error << "\n";
            return 1;
        }
    }
    tb::standin::StandinServer server(std::move(*catalogue));
    server.setFaults(options->faults);
    server.setAudioBase(options->audioBase);
    const int port = server.bind(options->port);
    if (port < 0) {
        std::cerr << "catalogue-standin: cannot bind 127.0.0.1:" << options->port << "\n";
        return 1;
    }
    std::cout << port << std::endl;
    server.serveHere();
    return 0;
}
