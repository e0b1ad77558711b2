// tunebatch-cli: a thin command-line front over the core. Prints UTF-8.
// Conventions: --help / -h print the usage on stdout (exit 0); no command, an unknown
// command or a malformed command line print the usage on stderr (exit 2); a command that
// fails prints its message on stderr (exit 1).

#include "cli_command.h"
#include "transport/curl_setup.h"

#include <iostream>
#include <map>

namespace tb::cli {
namespace {

constexpr int kUsageError = 2;

struct Command {
    std::string description;
    CliSetup setup;
};

std::map<std::string, Command>& commands() {
    static std::map<std::string, Command> table;
    return table;
}

// Prints the problem and the usage of the command named on the command line (or the
// program's usage when none was) to stderr.
int usageError(const CLI::App& app, const std::string& problem) {
    std::cerr << "tunebatch-cli: " << problem << "\n\n";
    const auto named = app.get_subcommands();
    std::cerr << (named.empty() ? app.help() : named.front()->help(app.get_name()));
    return kUsageError;
}

bool isUnknownCommand(int argc, char** argv) {
    return argc > 1 && argv[1][0] != '-' && !commands().contains(argv[1]);
}

} // namespace

CliCommandRegistration::CliCommandRegistration(std::string name, std::string description,
                                               CliSetup setup) {
    commands()[std::move(name)] = Command{std::move(description), std::move(setup)};
}

int fail(const std::string& message) {
    std::cerr << message << "\n";
    return 1;
}

int run(int argc, char** argv) {
    CLI::App app("A command-line companion over the Tunebatch core. Texts are UTF-8.",
                 "tunebatch-cli");
    app.set_version_flag("--version", std::string(TB_VERSION));
    app.require_subcommand(1, 1);
    std::map<const CLI::App*, CliRunner> runners;
    for (const auto& [name, command] : commands()) {
        CLI::App* sub = app.add_subcommand(name, command.description);
        runners[sub] = command.setup(*sub);
    }
    if (isUnknownCommand(argc, argv)) {
        return usageError(app, std::string("unknown command: ") + argv[1]);
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& help) {
        return app.exit(help);
    } catch (const CLI::CallForAllHelp& help) {
        return app.exit(help);
    } catch (const CLI::CallForVersion& version) {
        return app.exit(version);
    } catch (const CLI::ParseError& error) {
        return usageError(app, error.what());
    }
    // Before the command starts any thread; help and version need no web library at all.
    transport::InitialiseCurl();
    return runners.at(app.get_subcommands().front())();
}

} // namespace tb::cli

int main(int argc, char** argv) {
    return tb::cli::run(argc, argv);
}
