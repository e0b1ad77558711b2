#include "layout/layout_persistence.h"

#include "data/local_text.h"
#include "layout/profile_file.h"

#include <algorithm>

namespace tb::layout {
namespace {

int clampedCoordinate(long long value) {
    return static_cast<int>(std::clamp(value, -kCoordinateLimit, kCoordinateLimit));
}

// A stored window length without its extra, never below 0.
int clampedLength(long long stored, int extra) {
    const long long length = static_cast<long long>(clampedCoordinate(stored)) - extra;
    return static_cast<int>(std::clamp(length, 0LL, kCoordinateLimit));
}

std::string pairText(long long first, long long second) {
    return "{" + std::to_string(first) + "," + std::to_string(second) + "}";
}

// The position of the last "}" after the given position, npos when there is none.
std::size_t lastClosingBrace(std::string_view value, std::size_t after) {
    std::size_t last = std::string::npos;
    for (std::size_t at = FindLocal(value, "}", after); at != std::string::npos;
         at = FindLocal(value, "}", at + 1)) {
        last = at;
    }
    return last;
}

std::optional<std::array<long long, 2>>
storedPair(std::string_view layoutFile, const std::string& section, const std::string& key) {
    const std::string value = ReadProfileString(layoutFile, section, key);
    if (value.empty()) {
        return std::nullopt;
    }
    return ParseLayoutValue(value);
}

} // namespace

const std::array<std::string, kPlayerControlCount>& PlayerControlNames() {
    static const std::array<std::string, kPlayerControlCount> names = {
        Utf8ToLocal("图片框_image"), Utf8ToLocal("编辑框_歌词"), Utf8ToLocal("标签_name"),
        Utf8ToLocal("滑块条_进度"),  Utf8ToLocal("标签_音量"),   Utf8ToLocal("滑块条_音量"),
        Utf8ToLocal("按钮_停止"),    Utf8ToLocal("标签_时间")};
    return names;
}

const std::string& PositionSection() {
    static const std::string name = Utf8ToLocal("位置");
    return name;
}

const std::string& SizeSection() {
    static const std::string name = Utf8ToLocal("宽高");
    return name;
}

const std::string& WindowSizeKey() {
    static const std::string name = Utf8ToLocal("窗口");
    return name;
}

std::optional<std::array<long long, 2>> ParseLayoutValue(std::string_view value) {
    const std::size_t open = FindLocal(value, "{");
    if (open == std::string::npos) {
        return std::nullopt;
    }
    const std::size_t close = lastClosingBrace(value, open + 1);
    if (close == std::string::npos) {
        return std::nullopt;
    }
    const std::string_view inner = value.substr(open + 1, close - open - 1);
    const std::size_t comma = FindLocal(inner, ",");
    if (comma == std::string::npos) {
        return std::nullopt;
    }
    const std::string_view second = inner.substr(comma + 1);
    const std::size_t secondEnd = FindLocal(second, ",");
    return std::array<long long, 2>{LocalToInt(inner.substr(0, comma)),
                                    LocalToInt(second.substr(0, secondEnd))};
}

void LoadLayout(LayoutSurface& surface, std::string_view layoutFile) {
    for (const std::string& name : PlayerControlNames()) {
        const auto place = storedPair(layoutFile, PositionSection(), name);
        if (!place) {
            return;
        }
        surface.placeControl(name,
                             {clampedCoordinate((*place)[0]), clampedCoordinate((*place)[1])});
    }
    const auto size = storedPair(layoutFile, SizeSection(), WindowSizeKey());
    if (size) {
        surface.resizeWindow({clampedLength((*size)[0], kStoredWidthExtra),
                              clampedLength((*size)[1], kStoredHeightExtra)});
    }
}

void SaveLayout(const LayoutSurface& surface, std::string_view layoutFile) {
    for (const std::string& name : PlayerControlNames()) {
        const ControlPlace place = surface.controlPlace(name);
        WriteProfileString(layoutFile, PositionSection(), name, pairText(place.left, place.top));
    }
    const WindowSize size = surface.windowSize();
    WriteProfileString(
        layoutFile, SizeSection(), WindowSizeKey(),
        pairText(0LL + size.width + kStoredWidthExtra, 0LL + size.height + kStoredHeightExtra));
}

} // namespace tb::layout
