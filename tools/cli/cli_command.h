#pragma once
// Sub-commands of tunebatch-cli. Each command file registers itself with a static
// CliCommandRegistration; main() dispatches on the first argument.
// A command returns the process exit code: 0 on success, 1 with its message on stderr.

#include <functional>
#include <string>
#include <vector>

namespace tb::cli {

using CliArgs = std::vector<std::string>; // the arguments after the command name, UTF-8
using CliHandler = std::function<int(const CliArgs&)>;

struct CliCommandRegistration {
    CliCommandRegistration(std::string name, std::string usage, CliHandler handler);
};

// Prints "message" to stderr and returns 1.
int fail(const std::string& message);

} // namespace tb::cli
