// Local-text conversions and searches over any bytes (fields "text\0left\0right\0start",
// start a decimal byte position, 0 when missing). Conversions must give valid UTF-8 and be
// stable after one round; searches must stay inside the text at or after their start; the
// blank helpers must leave no edge blank behind.

#include "data/local_text.h"
#include "fuzz_input.h"

#include <charconv>
#include <string>

namespace {

// Strict UTF-8: shortest forms, no surrogates, nothing above U+10FFFF.
bool isValidUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const std::size_t length = byte < 0x80   ? 1
                                   : byte < 0xC2 ? 0
                                   : byte < 0xE0 ? 2
                                   : byte < 0xF0 ? 3
                                   : byte < 0xF5 ? 4
                                                 : 0;
        if (length == 0 || i + length > text.size()) {
            return false;
        }
        std::uint32_t point = length == 1 ? byte : byte & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            point = (point << 6) | (next & 0x3F);
        }
        const std::uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
        if (point < least[length] || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) {
            return false;
        }
        i += length;
    }
    return true;
}

void conversionsAreSound(std::string_view text) {
    const std::string utf8 = tb::LocalToUtf8(text);
    tb::fuzz::require(isValidUtf8(utf8), "LocalToUtf8 gives valid UTF-8");
    const std::string local = tb::Utf8ToLocal(utf8);
    tb::fuzz::require(tb::LocalToUtf8(local) == utf8, "local text survives a UTF-8 round trip");
    tb::fuzz::require(tb::Utf16ToLocal(tb::LocalToUtf16(local)) == local,
                      "local text survives a UTF-16 round trip");
    const std::string fromUtf8 = tb::Utf8ToLocal(text);
    tb::fuzz::require(isValidUtf8(tb::LocalToUtf8(fromUtf8)), "Utf8ToLocal gives convertible text");
    tb::CharsetToLocal(text, "big5");
}

std::size_t startOf(std::string_view field) {
    std::size_t start = 0;
    std::from_chars(field.data(), field.data() + field.size(), start);
    return start;
}

void searchesStayInside(std::string_view text, std::string_view left, std::string_view right,
                        std::size_t start) {
    for (const bool ignoreCase : {false, true}) {
        const std::size_t at = tb::FindLocal(text, left, start, ignoreCase);
        tb::fuzz::require(at == std::string::npos ||
                              (at >= start && at + left.size() <= text.size()),
                          "a found needle lies inside the text, at or after the start");
        const std::string between = tb::TextBetween(text, left, right, start, ignoreCase);
        tb::fuzz::require(
            between.empty() ||
                (start < text.size() && text.substr(start).find(between) != std::string_view::npos),
            "TextBetween gives a piece of the text after the start");
    }
    tb::ReplaceAll(text, left, right);
}

void blanksAndNumbers(std::string_view text) {
    // Removing a byte between two broken bytes may join them into a blank, so these two
    // hold for text that is made of characters only.
    const bool characters = tb::Utf8ToLocal(tb::LocalToUtf8(text)) == text;
    const std::string trimmed = tb::TrimBlanks(text);
    tb::fuzz::require(!characters || tb::TrimBlanks(trimmed) == trimmed,
                      "TrimBlanks leaves no edge blank");
    const std::string removed = tb::RemoveBlanks(text);
    tb::fuzz::require(!characters || tb::RemoveBlanks(removed) == removed,
                      "RemoveBlanks leaves no blank");
    tb::DurationText(tb::LocalToInt(text));
    tb::SizeText(text);
    tb::LocalToDouble(text);
    // The conversion writes "?" for each byte that is no character; any other reserved
    // character in the file system's form of the name would have slipped through.
    const std::string safe = tb::LocalToUtf8(tb::SafeFileName(text));
    tb::fuzz::require(safe.find_first_of("/\\*:\"<>|") == std::string::npos,
                      "a safe file name holds no reserved character");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto parts = tb::fuzz::fields(tb::fuzz::inputText(data, size), 4);
    conversionsAreSound(parts[0]);
    searchesStayInside(parts[0], parts[1], parts[2], startOf(parts[3]));
    blanksAndNumbers(parts[0]);
    return 0;
}
