#pragma once
// The program's appearance: one of the skins of skin_sheets.h attached to every window of
// the application (its style sheet and palette).

namespace tb::skins {

// Gives the application the base sheet alone, as before any skin; the program does this
// once before it opens its windows.
void ApplyBaseSheet();
// Applies skin number 1 to 12 (3 and 4 are the same skin); with fixed clear a number from 1
// to 12 is drawn at random instead. A number outside 1 to 12 changes nothing. True when a
// skin was applied.
bool ApplySkin(int number, bool fixed = true);
// The skin number last applied; 0 while none is.
int CurrentSkin();
// Takes the skin off again: the base sheet and the platform's palette (exit routine).
void UnloadSkins();

} // namespace tb::skins
