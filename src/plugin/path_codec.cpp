#include "plugin/path_codec.h"

#include <optional>

namespace tb::plugin {
namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

// The double quote is escaped too: the command line is split with quotes grouping, so a
// quote standing for itself would vanish from the path (a folder may hold one here).
bool standsForItself(unsigned char byte) {
    return byte >= 0x21 && byte <= 0x7A && byte != '%' && byte != '"';
}

// Value of one digit of an escape: 0-9, then letters from 10 on in either case.
std::optional<int> digitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'z') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'Z') {
        return c - 'A' + 10;
    }
    return std::nullopt;
}

} // namespace

std::string EncodePluginPath(std::string_view path) {
    std::string encoded;
    encoded.reserve(path.size() * 3);
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (standsForItself(byte)) {
            encoded += c;
        } else {
            encoded += '%';
            encoded += kHexDigits[byte >> 4];
            encoded += kHexDigits[byte & 0x0F];
        }
    }
    return encoded;
}

std::string DecodePluginPath(std::string_view encoded) {
    std::string path;
    path.reserve(encoded.size());
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        if (encoded[i] == '%' && i + 2 < encoded.size()) {
            const std::optional<int> high = digitValue(encoded[i + 1]);
            const std::optional<int> low = digitValue(encoded[i + 2]);
            if (high && low) {
                path += static_cast<char>((*high * 16 + *low) & 0xFF);
                i += 2;
                continue;
            }
        }
        path += encoded[i];
    }
    return path;
}

} // namespace tb::plugin
