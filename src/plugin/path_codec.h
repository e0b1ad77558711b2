#pragma once
// The target path as it travels on the helper's command line: free of blanks, so that it
// stays one argument. Shared by the main program (encode) and the helper (decode), so the
// two cannot drift apart. Works on local-text bytes.

#include <string>
#include <string_view>

namespace tb::plugin {

// Bytes 0x21 ("!") to 0x7A ("z") stand for themselves, except "%" and the double quote;
// every other byte and those two become "%" and two upper-case hexadecimal digits
// ("A B" -> "A%20B").
std::string EncodePluginPath(std::string_view path);

// Undoes EncodePluginPath: "%" and the next two characters give one byte (digits and
// letters of either case; letters beyond "f" count on from 16, as a loose reader would);
// every other byte is taken as it is. A "%" not followed by two letters or digits stands
// for itself.
std::string DecodePluginPath(std::string_view encoded);

} // namespace tb::plugin
