#pragma once
// The user's arrangement of the player page in the layout file: the left and top of the
// eight player controls in section "位置", each under the control's name, and the window's
// outer size in section "宽高" under "窗口", every value written as "{a,b}".

#include "layout/layout_surface.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace tb::layout {

inline constexpr std::size_t kPlayerControlCount = 8;
// The stored window size is the outer size plus these; a restore takes them off again, so
// the window keeps its size from run to run.
inline constexpr int kStoredWidthExtra = 15;
inline constexpr int kStoredHeightExtra = 8;
// Coordinates and sizes read from the file are kept within this many pixels of 0.
inline constexpr long long kCoordinateLimit = 16777215;

// The player controls in the order they are stored and restored, as local text.
const std::array<std::string, kPlayerControlCount>& PlayerControlNames();
// The names of the two sections, as local text.
const std::string& PositionSection();
const std::string& SizeSection();
const std::string& WindowSizeKey();

// The first two numbers of a stored value: the text between the first "{" and the last "}"
// split at every ",", each part read as an integer (full-width digits, signs and blanks
// allowed; 0 without leading digits). Empty optional when it holds fewer than two parts.
std::optional<std::array<long long, 2>> ParseLayoutValue(std::string_view value);

// Restores the stored arrangement in table order. The first entry that is missing or holds
// fewer than two numbers ends the restore: it and every later entry keep their geometry.
void LoadLayout(LayoutSurface& surface, std::string_view layoutFile);
// Writes all nine entries in table order, each write complete before the next.
void SaveLayout(const LayoutSurface& surface, std::string_view layoutFile);

} // namespace tb::layout
