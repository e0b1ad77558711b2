#include "skins/skins.h"

#include "skins/skin_sheets.h"

#include <QApplication>
#include <QRandomGenerator>

#include <optional>

namespace tb::skins {
namespace {

int g_currentSkin = 0;
// The palette the application had before the first skin, given back when the skin goes.
std::optional<QPalette> g_platformPalette;

} // namespace

void ApplyBaseSheet() {
    qApp->setStyleSheet(BaseSheet());
}

bool ApplySkin(int number, bool fixed) {
    if (!fixed) {
        number = QRandomGenerator::global()->bounded(kFirstSkinNumber, kLastSkinNumber + 1);
    }
    const int sheet = SheetOfSkin(number);
    if (sheet == 0) {
        return false;
    }
    if (!g_platformPalette) {
        g_platformPalette = QApplication::palette();
    }
    QApplication::setPalette(SkinPalette(sheet));
    qApp->setStyleSheet(SkinStyleSheet(sheet));
    g_currentSkin = number;
    return true;
}

int CurrentSkin() {
    return g_currentSkin;
}

void UnloadSkins() {
    if (g_platformPalette) {
        QApplication::setPalette(*g_platformPalette);
        g_platformPalette.reset();
    }
    if (g_currentSkin != 0) {
        ApplyBaseSheet();
    }
    g_currentSkin = 0;
}

} // namespace tb::skins
