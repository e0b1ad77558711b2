// The program's entry: process-wide state, the main window, start-up, the event loop and
// the exit routine.

#include "app/app_state.h"
#include "app/main_window.h"
#include "app/startup.h"
#include "data/qt_local_text.h"
#include "platform/qt/qt_platform.h"
#include "skins/skins.h"
#include "transport/curl_setup.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    tb::transport::InitialiseCurl(); // before Qt starts any thread
    QApplication application(argc, argv);
    // Names the configuration folder that keeps the layout file.
    QCoreApplication::setApplicationName(QStringLiteral("tunebatch"));
    // Lets a Wayland compositor match the window to the installed desktop entry (its icon).
    QGuiApplication::setDesktopFileName(QStringLiteral("org.example.tunebatch"));
    tb::app::UseProgramFont();
    tb::platform::installQtPlatformHandlers();
    tb::skins::ApplyBaseSheet();

    tb::app::AppState& state = tb::app::appState();
    const QStringList arguments = QCoreApplication::arguments();
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        state.arguments.push_back(tb::QStringToLocal(arguments[i]));
    }

    int exitCode = 0;
    {
        tb::app::MainWindow window;
        tb::app::EndProgramOnClose(window);
        window.show();
        if (tb::app::RunStartup(window, state.arguments) == tb::app::StartupResult::Running) {
            exitCode = QApplication::exec();
        }
        // While the window's list still exists: a download stopped here reports into it.
        tb::app::RunExitRoutine();
    }
    return exitCode;
}
