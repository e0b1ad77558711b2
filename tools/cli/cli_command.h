#pragma once
// Sub-commands of tunebatch-cli. Each command file registers itself with a static
// CliCommandRegistration: its setup function declares the command's arguments and options
// on the command's CLI11 sub-app and returns the function that runs the command once the
// command line has been parsed. Parsing, help and usage errors are handled in main().
// A command returns the process exit code: 0 on success, 1 with its message on stderr.

#include <CLI/CLI.hpp>

#include <functional>
#include <string>

namespace tb::cli {

using CliRunner = std::function<int()>;
using CliSetup = std::function<CliRunner(CLI::App& command)>;

struct CliCommandRegistration {
    CliCommandRegistration(std::string name, std::string description, CliSetup setup);
};

// Prints "message" to stderr and returns 1.
int fail(const std::string& message);

} // namespace tb::cli
