#pragma once
// Starting another program that lives on by itself.

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

} // namespace tb::platform
