// GUI test executables need one QApplication with the platform hooks for the whole run;
// the tests run on the offscreen platform unless QT_QPA_PLATFORM says otherwise.

#include "platform/qt/qt_platform.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    tb::platform::installQtPlatformHandlers();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
