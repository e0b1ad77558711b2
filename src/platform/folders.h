#pragma once
// Well-known folders, as local text ending in "/".

#include <string>

namespace tb::platform {

// The system's temporary folder ($TMPDIR when it names a folder, else /tmp/).
std::string TemporaryFolder();
// The process's current working folder; "" when it cannot be read (deleted, too long).
std::string CurrentFolder();
// The user's home folder ($HOME, else the password database); "" when unknown.
std::string HomeFolder();

} // namespace tb::platform
