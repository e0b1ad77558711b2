#include "layout/profile_file.h"

#include "data/local_text.h"
#include "layout/profile_text.h"
#include "platform/file_system.h"

#include <optional>

namespace tb::layout {
namespace {

bool anyBlank(std::string_view file, std::string_view section, std::string_view key) {
    return ProfileName(file).empty() || ProfileName(section).empty() || ProfileName(key).empty();
}

// The first bytes of the value up to the limit, never half a character.
std::string limited(std::string value) {
    if (value.size() <= kMaxProfileValueBytes) {
        return value;
    }
    std::size_t keep = 0;
    while (keep < value.size()) {
        const std::size_t width = isLeadByte(static_cast<unsigned char>(value[keep])) ? 2 : 1;
        if (keep + width > kMaxProfileValueBytes) {
            break;
        }
        keep += width;
    }
    value.resize(keep);
    return value;
}

} // namespace

std::string ReadProfileString(std::string_view file, std::string_view section,
                              std::string_view key) {
    if (anyBlank(file, section, key)) {
        return {};
    }
    const std::optional<std::string> text = platform::ReadWholeFile(file);
    if (!text) {
        return {};
    }
    return limited(FindProfileValue(*text, section, key).value_or(std::string()));
}

bool WriteProfileString(std::string_view file, std::string_view section, std::string_view key,
                        std::string_view value) {
    if (anyBlank(file, section, key)) {
        return false;
    }
    std::optional<std::string> text = platform::ReadWholeFile(file);
    // A file that exists but cannot be read is never replaced by one holding a single value.
    if (!text && platform::FileExists(file)) {
        return false;
    }
    const std::optional<std::string> updated =
        SetProfileValue(text.value_or(std::string()), section, key, value);
    if (!updated) {
        return false;
    }
    return platform::ReplaceFileContents(file, *updated);
}

} // namespace tb::layout
