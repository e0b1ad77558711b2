// tunebatch-cli: a thin command-line front over the core. Prints UTF-8.

#include "cli_command.h"

#include <cstdio>
#include <iostream>
#include <map>

namespace tb::cli {
namespace {

struct Command {
    std::string usage;
    CliHandler handler;
};

std::map<std::string, Command>& commands() {
    static std::map<std::string, Command> table;
    return table;
}

int usage() {
    std::cerr << "usage: tunebatch-cli COMMAND [ARGS]\n";
    for (const auto& [name, command] : commands()) {
        std::cerr << "  " << command.usage << "\n";
    }
    return 1;
}

} // namespace

CliCommandRegistration::CliCommandRegistration(std::string name, std::string usage,
                                               CliHandler handler) {
    commands()[std::move(name)] = Command{std::move(usage), std::move(handler)};
}

int fail(const std::string& message) {
    std::cerr << message << "\n";
    return 1;
}

} // namespace tb::cli

int main(int argc, char** argv) {
    using namespace tb::cli;
    if (argc < 2) {
        return usage();
    }
    const auto found = commands().find(argv[1]);
    if (found == commands().end()) {
        return usage();
    }
    const CliArgs args(argv + 2, argv + argc);
    return found->second.handler(args);
}
