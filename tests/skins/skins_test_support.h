#pragma once
// What the skins tests share: the warnings Qt reported during a test (a style sheet Qt cannot
// parse is only ever reported as a warning), and the measure of text contrast.

#include <QColor>
#include <QImage>
#include <QRect>
#include <QString>
#include <QStringList>

namespace tb::skins::test {

// Warnings Qt has reported since the last call; the list is emptied.
QStringList TakeQtWarnings();

// The contrast ratio of two colours (1 to 21) by the relative luminance of the sRGB colours.
double ContrastRatio(const QColor& a, const QColor& b);

// Text drawn on a plain background inside the rectangle of the image: the background is the
// most frequent colour there, the text its most contrasting pixel.
struct DrawnText {
    QColor background;
    QColor text;
    double contrast = 0;
};
DrawnText MeasureDrawnText(const QImage& image, const QRect& area);

} // namespace tb::skins::test
