#pragma once
// Reading and writing one value of a profile (INI) file in local text, with the rules of
// profile_text.h. File names are local text.

#include <string>
#include <string_view>

namespace tb::layout {

// Longest value a read returns, in bytes.
inline constexpr std::size_t kMaxProfileValueBytes = 10239;

// The value of the key in the section, at most kMaxProfileValueBytes bytes (cut before a
// character that would not fit whole). The empty text when the file, the section or the key
// is missing, and, without touching the file, when a name is blank.
std::string ReadProfileString(std::string_view file, std::string_view section,
                              std::string_view key);

// Stores the value under the section and key, creating the file, the section and the key
// as needed; every other line stays as it was. The file is complete on disk when this
// returns. False, with the file unchanged, when a name is blank, the names or the value
// cannot be written (profile_text.h), or the file cannot be read or replaced.
bool WriteProfileString(std::string_view file, std::string_view section, std::string_view key,
                        std::string_view value);

} // namespace tb::layout
