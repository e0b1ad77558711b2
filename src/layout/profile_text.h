#pragma once
// Profile (INI) text: "[section]" header lines and "key=value" lines, in local text, lines
// ended by CR LF or LF. Section and key names compare without regard to the letter case of
// ASCII letters; blanks (bytes up to 32) around names and values do not count; a line whose
// first non-blank byte is ";" is a comment. Of two sections (or two keys in a section) with
// the same name, the first is the one read and written.

#include <optional>
#include <string>
#include <string_view>

namespace tb::layout {

// The name without the blanks around it; empty when nothing else is left.
std::string ProfileName(std::string_view name);

// The value stored under the section and key: without the blanks around it, and without one
// pair of matching single or double quotes wrapping it. Empty optional when the section or
// the key is missing.
std::optional<std::string> FindProfileValue(std::string_view text, std::string_view section,
                                            std::string_view key);

// The text with the value stored under the section and key. An existing value is replaced
// in place (everything else stays byte for byte); a missing key is added after the last
// entry of its section, a missing section at the end, with the text's own line endings
// (CR LF when it has none). Empty optional when the names or the value cannot be written so
// that they read back: a blank name, a line break anywhere, "]" in the section name, "=" in
// the key, a name whose last byte would pair with the "]" or "=" after it into one
// character, or a key that starts like a header or a comment.
std::optional<std::string> SetProfileValue(std::string_view text, std::string_view section,
                                           std::string_view key, std::string_view value);

} // namespace tb::layout
