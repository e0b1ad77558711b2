#pragma once
// The eleven skins and the sheets they are made of, carried as resources: a base sheet that
// holds under every skin, the look every skin shares (look.qss, written with @names), and
// each skin's values for those names (skin-NN.qss), optionally followed by rules of its own.

#include <QPalette>
#include <QString>

#include <map>

namespace tb::skins {

inline constexpr int kFirstSkinNumber = 1;
inline constexpr int kLastSkinNumber = 12;
inline constexpr int kSheetCount = 11;

// The sheet (1 to 11) that a skin number selects; numbers 3 and 4 share one. 0 for a number
// outside 1 to 12.
int SheetOfSkin(int number);

// The base sheet alone: the look before any skin is applied.
QString BaseSheet();
// The sheet of the main window while its player page is being arranged.
QString LayoutEditSheet();

// A skin's values by name ("window" -> "#102a3f"); empty for a sheet outside 1 to 11.
std::map<QString, QString> SkinValues(int sheet);
// The complete style sheet of a skin: the base sheet, the shared look with the skin's values
// put in, and the skin's own rules. Empty for a sheet outside 1 to 11.
QString SkinStyleSheet(int sheet);
// The palette of a skin, for what the platform style draws itself (check marks, menus).
QPalette SkinPalette(int sheet);

} // namespace tb::skins
