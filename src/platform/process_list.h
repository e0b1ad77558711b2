#pragma once
// A snapshot of the running processes, by executable file name.

#include <string>
#include <vector>

namespace tb::platform {

// Executable base names (local text, no folder) of the running processes, in process-id
// order. A process whose executable link cannot be read is named by its command name;
// one that has vanished or cannot be read at all is left out. Empty when /proc is missing.
std::vector<std::string> RunningProcessNames();

// This program's executable base name (local text); "" when unknown.
std::string OwnExecutableName();
// This program's executable path (local text); "" when unknown.
std::string OwnExecutablePath();

} // namespace tb::platform
