#pragma once
// Helpers shared by the fuzz targets: the input as text, cut into NUL-separated fields,
// and a check that stops the run (as a crash libFuzzer records) when a property fails.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace tb::fuzz {

inline std::string_view inputText(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// The input cut at NUL bytes into at most `count` fields; missing fields are empty, and
// the last field keeps any further NUL bytes.
inline std::vector<std::string_view> fields(std::string_view input, std::size_t count) {
    std::vector<std::string_view> parts;
    while (parts.size() + 1 < count) {
        const std::size_t nul = input.find('\0');
        if (nul == std::string_view::npos) {
            break;
        }
        parts.push_back(input.substr(0, nul));
        input.remove_prefix(nul + 1);
    }
    parts.push_back(input);
    parts.resize(count);
    return parts;
}

inline void require(bool holds, const char* property) {
    if (!holds) {
        std::fprintf(stderr, "property failed: %s\n", property);
        std::abort();
    }
}

} // namespace tb::fuzz
