#include "data/local_text.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <iconv.h>
#include <limits>
#include <string>
#include <unordered_map>

namespace tb {
namespace {

constexpr const char* kLocalCodePage = "GB18030";

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

// The converters this thread has opened, kept open: opening one maps glibc's conversion
// module, which costs far more than converting a short text. Charset names come from web
// pages too, so the cache is bounded.
class ConverterCache {
public:
    ConverterCache() = default;
    ConverterCache(const ConverterCache&) = delete;
    ConverterCache& operator=(const ConverterCache&) = delete;
    ~ConverterCache() { closeAll(); }

    // A converter in its initial state, or kNoConverter when iconv knows no such pair.
    iconv_t get(const char* to, const char* from) {
        const std::string key = std::string(to) + '\n' + from;
        const auto found = m_open.find(key);
        if (found != m_open.end()) {
            iconv(found->second, nullptr, nullptr, nullptr, nullptr);
            return found->second;
        }
        const iconv_t cd = iconv_open(to, from);
        if (cd == kNoConverter) {
            return cd;
        }
        if (m_open.size() >= kMaxOpen) {
            closeAll();
        }
        m_open.emplace(key, cd);
        return cd;
    }

private:
    static constexpr std::size_t kMaxOpen = 16;
    void closeAll() {
        for (const auto& [key, cd] : m_open) {
            iconv_close(cd);
        }
        m_open.clear();
    }
    std::unordered_map<std::string, iconv_t> m_open;
};

// Converts between encodings with iconv. An invalid or incomplete input unit becomes the
// replacement and is skipped (invalidStep bytes), so nothing is lost silently and the
// conversion always ends. Empty optional when iconv does not know an encoding.
std::optional<std::string> convert(std::string_view input, const char* from, const char* to,
                                   std::string_view replacement, std::size_t invalidStep) {
    thread_local ConverterCache converters;
    const iconv_t cd = converters.get(to, from);
    if (cd == kNoConverter) {
        return std::nullopt;
    }
    std::string output;
    output.reserve(input.size() * 2 + 16);
    char* in = const_cast<char*>(input.data());
    std::size_t inLeft = input.size();
    char buffer[4096];
    while (inLeft > 0) {
        char* out = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t rc = iconv(cd, &in, &inLeft, &out, &outLeft);
        output.append(buffer, sizeof buffer - outLeft);
        if (rc != static_cast<std::size_t>(-1)) {
            continue;
        }
        if (errno == E2BIG) {
            continue;
        }
        // EILSEQ or EINVAL: replace one unit and go on.
        output.append(replacement);
        const std::size_t skip = std::min(invalidStep, inLeft);
        in += skip;
        inLeft -= skip;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    char* out = buffer;
    std::size_t outLeft = sizeof buffer;
    iconv(cd, nullptr, nullptr, &out, &outLeft);
    output.append(buffer, sizeof buffer - outLeft);
    return output;
}

// ASCII is the same in UTF-8 and GB18030, so such text needs no converter.
bool isPlainAscii(std::string_view text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

char asciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Compares needle with the text at pos. With ignoreCase only single-byte ASCII letters fold:
// the second byte of a two-byte character is compared exactly, so two different Chinese
// characters whose second bytes are 'A' and 'a' never count as equal.
bool matchesAt(std::string_view text, std::size_t pos, std::string_view needle, bool ignoreCase) {
    if (text.size() - pos < needle.size()) {
        return false;
    }
    for (std::size_t i = 0; i < needle.size(); ++i) {
        const char a = text[pos + i];
        const char b = needle[i];
        if (a == b) {
            if (isLeadByte(static_cast<unsigned char>(a)) && i + 1 < needle.size()) {
                ++i;
                if (text[pos + i] != needle[i]) {
                    return false;
                }
            }
            continue;
        }
        if (!ignoreCase || asciiLower(a) != asciiLower(b)) {
            return false;
        }
    }
    return true;
}

// Full-width digits (A3 B0..A3 B9), plus (A3 AB), minus (A3 AD) and space (A1 A1) as ASCII.
std::string asciiFormOfNumberText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (!isLeadByte(c) || i + 1 >= text.size()) {
            out += text[i];
            continue;
        }
        const auto next = static_cast<unsigned char>(text[i + 1]);
        if (c == 0xA3 && next >= 0xB0 && next <= 0xB9) {
            out += static_cast<char>('0' + (next - 0xB0));
        } else if (c == 0xA3 && next == 0xAB) {
            out += '+';
        } else if (c == 0xA3 && next == 0xAD) {
            out += '-';
        } else if (c == 0xA1 && next == 0xA1) {
            out += ' ';
        } else {
            out += text.substr(i, 2);
        }
        ++i;
    }
    return out;
}

bool isBlankAt(std::string_view text, std::size_t pos, std::size_t* width) {
    if (text[pos] == ' ') {
        *width = 1;
        return true;
    }
    if (pos + 1 < text.size() && static_cast<unsigned char>(text[pos]) == 0xA1 &&
        static_cast<unsigned char>(text[pos + 1]) == 0xA1) {
        *width = 2;
        return true;
    }
    return false;
}

// True for a byte that can follow a lead byte: the second byte of a two-byte character
// (40-7E, 80-FE) or of a half of a four-byte one (30-39).
bool isSecondByte(unsigned char byte) {
    return (byte >= 0x30 && byte <= 0x39) || (byte >= 0x40 && byte <= 0x7E) ||
           (byte >= 0x80 && byte <= 0xFE);
}

// A lead byte before a byte that cannot follow it is no character of its own and steps
// alone, as the code-page conversion reads it; so "\x81/" holds a "/" that searches find.
std::size_t characterWidth(std::string_view text, std::size_t pos) {
    const bool pair = pos + 1 < text.size() && isLeadByte(static_cast<unsigned char>(text[pos])) &&
                      isSecondByte(static_cast<unsigned char>(text[pos + 1]));
    return pair ? 2 : 1;
}

} // namespace

std::string Utf8ToLocal(std::string_view utf8) {
    if (isPlainAscii(utf8)) {
        return std::string(utf8);
    }
    return convert(utf8, "UTF-8", kLocalCodePage, "?", 1).value_or(std::string());
}

std::string LocalToUtf8(std::string_view local) {
    if (isPlainAscii(local)) {
        return std::string(local);
    }
    return convert(local, kLocalCodePage, "UTF-8", "?", 1).value_or(std::string());
}

std::u16string LocalToUtf16(std::string_view local) {
    const std::string bytes =
        convert(local, kLocalCodePage, "UTF-16LE", std::string_view("?\0", 2), 1)
            .value_or(std::string());
    std::u16string out(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < out.size(); ++i) {
        out[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                       (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
    }
    return out;
}

std::string Utf16ToLocal(std::u16string_view utf16) {
    std::string bytes;
    bytes.reserve(utf16.size() * 2);
    for (const char16_t unit : utf16) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return convert(bytes, "UTF-16LE", kLocalCodePage, "?", 2).value_or(std::string());
}

namespace {

// Pages labelled with any name of the Simplified Chinese family routinely hold characters
// beyond the named set (GBK extensions under "gb2312", four-byte ones under "gbk"), and
// browsers decode all of these labels as GB18030. A strict GB2312 decoder would turn those
// characters into "?", so the family is decoded as its superset, the local code page.
bool isChineseFamilyLabel(const std::string& charset) {
    static const std::string_view kLabels[] = {
        "gb2312",     "gbk",     "gb18030",  "x-gbk",     "cp936",           "chinese",
        "gb_2312-80", "gb_2312", "csgb2312", "iso-ir-58", "csiso58gb231280", "windows-936"};
    const std::string lower = AsciiLower(charset);
    return std::find(std::begin(kLabels), std::end(kLabels), lower) != std::end(kLabels);
}

} // namespace

std::optional<std::string> CharsetToLocal(std::string_view bytes, const std::string& charset) {
    if (charset.empty()) {
        return std::nullopt;
    }
    const char* from = isChineseFamilyLabel(charset) ? kLocalCodePage : charset.c_str();
    return convert(bytes, from, kLocalCodePage, "?", 1);
}

std::size_t FindLocal(std::string_view text, std::string_view needle, std::size_t start,
                      bool ignoreCase) {
    if (needle.empty()) {
        return std::string::npos;
    }
    for (std::size_t pos = start; pos < text.size(); pos += characterWidth(text, pos)) {
        if (matchesAt(text, pos, needle, ignoreCase)) {
            return pos;
        }
    }
    return std::string::npos;
}

std::string AsciiLower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        c = asciiLower(c);
    }
    return lower;
}

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
    std::string out;
    std::size_t pos = 0;
    while (true) {
        const std::size_t found = FindLocal(text, from, pos);
        if (found == std::string::npos) {
            break;
        }
        out.append(text.substr(pos, found - pos));
        out.append(to);
        pos = found + from.size();
    }
    out.append(text.substr(std::min(pos, text.size())));
    return out;
}

std::string TextBetween(std::string_view text, std::string_view left, std::string_view right,
                        std::size_t start, bool ignoreCase) {
    static const std::string kQuoteMark = Utf8ToLocal("#引号");
    const std::string leftMarker = ReplaceAll(left, kQuoteMark, "\"");
    const std::string rightMarker = ReplaceAll(right, kQuoteMark, "\"");
    const std::size_t leftAt = FindLocal(text, leftMarker, start, ignoreCase);
    if (leftAt == std::string::npos) {
        return {};
    }
    const std::size_t from = leftAt + leftMarker.size();
    const std::size_t rightAt = FindLocal(text, rightMarker, from, ignoreCase);
    if (rightAt == std::string::npos) {
        return {};
    }
    return std::string(text.substr(from, rightAt - from));
}

std::string TrimBlanks(std::string_view text) {
    std::size_t begin = 0;
    std::size_t width = 0;
    while (begin < text.size() && isBlankAt(text, begin, &width)) {
        begin += width;
    }
    // Walk forward to find the end of the last non-blank character, so that a trailing
    // A1 A1 is never confused with the second byte of another character.
    std::size_t end = begin;
    for (std::size_t pos = begin; pos < text.size();) {
        if (isBlankAt(text, pos, &width)) {
            pos += width;
            continue;
        }
        pos += characterWidth(text, pos);
        end = pos;
    }
    return std::string(text.substr(begin, end - begin));
}

std::string RemoveBlanks(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t width = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        if (isBlankAt(text, pos, &width)) {
            pos += width;
            continue;
        }
        const std::size_t w = characterWidth(text, pos);
        out.append(text.substr(pos, w));
        pos += w;
    }
    return out;
}

namespace {

// Skips leading blanks and an optional sign of a number text; true for a minus sign.
bool skipBlanksAndSign(const std::string& ascii, std::size_t& pos) {
    while (pos < ascii.size() && (ascii[pos] == ' ' || ascii[pos] == '\t')) {
        ++pos;
    }
    if (pos < ascii.size() && (ascii[pos] == '+' || ascii[pos] == '-')) {
        return ascii[pos++] == '-';
    }
    return false;
}

} // namespace

long long LocalToInt(std::string_view text) {
    const std::string ascii = asciiFormOfNumberText(text);
    std::size_t pos = 0;
    const bool negative = skipBlanksAndSign(ascii, pos);
    // Saturate instead of overflowing on absurdly long digit runs.
    constexpr long long kMax = std::numeric_limits<long long>::max();
    long long value = 0;
    for (; pos < ascii.size() && ascii[pos] >= '0' && ascii[pos] <= '9'; ++pos) {
        const int digit = ascii[pos] - '0';
        if (value > (kMax - digit) / 10) {
            value = kMax;
            break;
        }
        value = value * 10 + digit;
    }
    return negative ? -value : value;
}

double LocalToDouble(std::string_view text) {
    const std::string ascii = asciiFormOfNumberText(text);
    std::size_t pos = 0;
    const bool negative = skipBlanksAndSign(ascii, pos);
    // from_chars reads the C form whatever locale the process runs in (a Qt program takes
    // the user's locale, where strtod would stop at the "." of "953.67").
    const char* begin = ascii.data() + pos;
    const char* end = ascii.data() + ascii.size();
    if (begin == end || !(std::isdigit(static_cast<unsigned char>(*begin)) || *begin == '.')) {
        return 0.0; // no "inf" or "nan" words either
    }
    double value = 0.0;
    const auto [stop, error] = std::from_chars(begin, end, value, std::chars_format::general);
    if (stop == begin || error != std::errc()) {
        return 0.0;
    }
    return negative ? -value : value;
}

std::string DurationText(long long seconds) {
    const auto twoDigits = [](long long part) {
        std::string text = std::to_string(part);
        return text.size() == 1 ? "0" + text : text;
    };
    return twoDigits(seconds / 60) + ":" + twoDigits(seconds % 60);
}

std::string SizeText(std::string_view bytesText) {
    const double kilobytes = LocalToDouble(bytesText) / 1024.0;
    // The gigabyte form starts where the integer part of the kilobytes, written in decimal
    // with its sign, is seven characters long.
    const double integerPart = std::trunc(kilobytes);
    const bool gigabytes = integerPart >= 1e6 || integerPart <= -1e5;
    const double value = gigabytes ? kilobytes / 1048576.0 : kilobytes / 1024.0;
    const double rounded = std::round(value * 100.0) / 100.0;
    // Fixed notation of the largest double takes 309 digits; to_chars ignores the locale.
    char text[400];
    const auto result =
        std::to_chars(text, text + sizeof text - 2, rounded, std::chars_format::fixed, 2);
    if (result.ec != std::errc()) {
        return gigabytes ? "0.00G" : "0.00M";
    }
    return std::string(text, result.ptr) + (gigabytes ? "G" : "M");
}

std::string SafeFileName(std::string_view name, std::string_view replacement) {
    std::string out(name);
    for (const char* reserved : {"/", "\\", "?", "*", ":", "\"", "<", ">", "|"}) {
        out = ReplaceAll(out, reserved, replacement);
    }
    return out;
}

} // namespace tb
