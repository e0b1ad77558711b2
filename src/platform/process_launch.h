#pragma once
// Starting another program that lives on by itself.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tb::platform {

// Splits a command line into arguments: blanks (space, tab) separate them, a double quote
// starts or ends a stretch in which blanks belong to the argument, and the quotes
// themselves are dropped (`a"b c"d` is one argument `ab cd`, `""` an empty one). An
// unclosed quote runs to the end. Works on local text: no second byte of a two-byte
// character is a blank or a double quote.
std::vector<std::string> SplitCommandLine(std::string_view commandLine);

// Starts program with the arguments of commandLine, in the current folder, fully detached:
// its own session, no child of this process, standard input from /dev/null, no inherited
// descriptors beyond standard output and error. A program name without "/" is looked up in
// the current folder first, then in PATH. True when the program was started; false when it
// is missing, not executable or the start failed. Never waits for the program.
bool StartDetachedProcess(std::string_view program, std::string_view commandLine);

// A child process started by StartChildProcess; it stays this process's child until
// ReapChild has seen its end.
using ChildId = int;

// Starts program like StartDetachedProcess (its own session, standard input from
// /dev/null, no inherited descriptors beyond standard output and error), but as a child
// of this process, so that its end can be seen. Empty when it could not be started.
std::optional<ChildId> StartChildProcess(std::string_view program, std::string_view commandLine);

// How a child ended.
struct ChildEnd {
    bool orderly = false; // it exited with status 0
    int exitCode = -1;    // its exit status, -1 when it did not exit by itself
    int signal = 0;       // the signal that ended it, 0 when none did
};

// Looks, without waiting, whether the child has ended; when it has, it is reaped (no
// zombie stays) and its end is returned. Empty while it runs. A child that is no longer
// known (reaped elsewhere) counts as ended in order, since nothing is known against it.
std::optional<ChildEnd> ReapChild(ChildId child);

} // namespace tb::platform
