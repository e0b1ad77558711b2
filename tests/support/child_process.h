#pragma once
// Running programs of this tree as real child processes in tests.

#include <chrono>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace tb::test {

struct ProcessOptions {
    std::vector<std::string> environment; // "NAME=value", added to (and before) the test's own
    std::string workingFolder;            // "" for the test's current folder
    std::string outputFile;               // standard output goes there ("" for the test's)
};

// Starts program with arguments (UTF-8); -1 when it could not be started.
pid_t StartProcess(const std::string& program, const std::vector<std::string>& arguments,
                   const ProcessOptions& options = {});
// Waits for the child; its exit code, or an empty optional when it was killed by a signal
// or did not end within the limit (it is then killed).
std::optional<int> WaitForExit(pid_t child,
                               std::chrono::milliseconds limit = std::chrono::seconds(120));
// StartProcess + WaitForExit.
std::optional<int> RunProcess(const std::string& program, const std::vector<std::string>& arguments,
                              const ProcessOptions& options = {});

// What a shell command printed, line by line (line ends taken off), and its exit code (-1
// when it did not exit normally).
struct CommandOutput {
    std::vector<std::string> lines;
    int exitCode = -1;
};
CommandOutput RunShellCommand(const std::string& command);

} // namespace tb::test
