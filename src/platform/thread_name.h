#pragma once
// Names the calling thread so that debuggers, top -H and sanitizer reports show what it is.

#include <string>

namespace tb::platform {

// Sets the calling thread's name (cut to the 15 bytes the system keeps).
void setCurrentThreadName(const std::string& name);

} // namespace tb::platform
