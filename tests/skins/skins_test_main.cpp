// The skins tests run with a handler that collects Qt's warnings; each test fails when one
// arrives that it did not expect (see SkinTest in skins_test.cpp).

#include "app/startup.h"
#include "platform/qt/qt_platform.h"
#include "skins_test_support.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>

namespace tb::skins::test {
namespace {

QStringList g_warnings;

// Notices of the offscreen platform about window features it does not have, and of the
// sound back end (the window's audio output) about a sound server the machine does not run.
bool isPlatformNotice(const QString& message) {
    return message.startsWith(QStringLiteral("This plugin does not support")) ||
           message.contains(QStringLiteral("XDG_RUNTIME_DIR")) ||
           message.startsWith(QStringLiteral("PulseAudioService:")) ||
           message.contains(QStringLiteral("\"Failed to connect: Connection refused\""));
}

void collectWarnings(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type != QtDebugMsg && type != QtInfoMsg && !isPlatformNotice(message)) {
        g_warnings << message;
    }
}

double channel(double value) {
    return value <= 0.03928 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
}

double luminance(const QColor& colour) {
    return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF()) +
           0.0722 * channel(colour.blueF());
}

} // namespace

QStringList TakeQtWarnings() {
    QStringList taken;
    taken.swap(g_warnings);
    return taken;
}

double ContrastRatio(const QColor& a, const QColor& b) {
    const double first = luminance(a);
    const double second = luminance(b);
    return (std::max(first, second) + 0.05) / (std::min(first, second) + 0.05);
}

DrawnText MeasureDrawnText(const QImage& image, const QRect& area) {
    std::map<QRgb, int> counts;
    const QRect inside = area.intersected(image.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        for (int x = inside.left(); x <= inside.right(); ++x) {
            ++counts[image.pixel(x, y) | 0xFF000000u];
        }
    }
    DrawnText drawn;
    if (counts.empty()) {
        return drawn;
    }
    drawn.background = QColor::fromRgb(
        std::max_element(counts.begin(), counts.end(), [](const auto& a, const auto& b) {
            return a.second < b.second;
        })->first);
    for (const auto& [pixel, count] : counts) {
        const double contrast = ContrastRatio(QColor::fromRgb(pixel), drawn.background);
        if (contrast > drawn.contrast) {
            drawn.contrast = contrast;
            drawn.text = QColor::fromRgb(pixel);
        }
    }
    return drawn;
}

} // namespace tb::skins::test

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    qInstallMessageHandler(tb::skins::test::collectWarnings);
    QApplication application(argc, argv);
    tb::app::UseProgramFont(); // what the user reads is what is measured
    tb::platform::installQtPlatformHandlers();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
