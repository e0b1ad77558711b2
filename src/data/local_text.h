#pragma once
// Local text: the program's 8-bit text, held in std::string, in the GB18030 code page
// (byte-identical to GBK for every GBK character, and able to hold every Unicode
// character). Positions are 0-based byte offsets; std::string::npos means "not found".
// Searches step over two-byte characters so that a match never starts on a second byte;
// a lead byte followed by a byte that cannot be a second byte is a broken byte of its own.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tb {

// Code-page conversions at the edges. Bytes that are invalid in the source encoding
// become "?" (one per invalid byte); nothing is silently dropped.
std::string Utf8ToLocal(std::string_view utf8);
std::string LocalToUtf8(std::string_view local);
std::u16string LocalToUtf16(std::string_view local);
std::string Utf16ToLocal(std::u16string_view utf16);

// Decodes bytes in a named character set (as an HTML meta tag names it) into local text.
// Empty optional when the character set is unknown to the converter.
std::optional<std::string> CharsetToLocal(std::string_view bytes, const std::string& charset);

// True for a byte that starts a two-byte character (also each half of a four-byte one).
inline bool isLeadByte(unsigned char byte) {
    return byte >= 0x81 && byte <= 0xFE;
}

// Finds needle at or after start, stepping over two-byte characters; with ignoreCase the
// letter case of ASCII characters is ignored (second bytes of two-byte characters always
// compare exactly). An empty needle is never found.
std::size_t FindLocal(std::string_view text, std::string_view needle, std::size_t start = 0,
                      bool ignoreCase = false);
inline bool ContainsLocal(std::string_view text, std::string_view needle, bool ignoreCase = false) {
    return FindLocal(text, needle, 0, ignoreCase) != std::string::npos;
}

// ASCII letters in lower case; every other byte unchanged.
std::string AsciiLower(std::string_view text);

// Replaces every occurrence of from (case-sensitive, DBCS-aware) by to.
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);

// The text between the left marker (searched at or after start) and the right marker
// (searched after the left one); every "#引号" in a marker stands for a double quote.
// Empty when either marker is missing.
std::string TextBetween(std::string_view text, std::string_view left, std::string_view right,
                        std::size_t start = 0, bool ignoreCase = false);

// Blanks are the ASCII space and the full-width space (bytes A1 A1).
std::string TrimBlanks(std::string_view text);
std::string RemoveBlanks(std::string_view text);

// Integer value of a text: full-width digits, signs and blanks first become ASCII; then
// leading blanks, an optional sign, and digits up to the first other character. 0 otherwise.
long long LocalToInt(std::string_view text);
// Floating-point value of a text by the same rules (decimal point and exponent allowed,
// whatever the process locale); 0 for text out of the double range.
double LocalToDouble(std::string_view text);

// Seconds as "mm:ss" (minutes not limited to two digits): 245 -> "04:05".
std::string DurationText(long long seconds);
// A byte count given as text -> "953.67M" / "1.00G" (two decimals, no kilobyte form).
std::string SizeText(std::string_view bytesText);
// Replaces / \ ? * : " < > | by the replacement; nothing else changes.
std::string SafeFileName(std::string_view name, std::string_view replacement = "_");

} // namespace tb
