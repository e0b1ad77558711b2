#include "platform/qt/qt_platform.h"

#include "data/qt_local_text.h"
#include "platform/events.h"
#include "platform/prompt.h"
#include "platform/qt/message_box_prompt.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QThread>
#include <QTimer>

#include <chrono>
#include <thread>

namespace tb::platform {
namespace {

// Processing the window's events is the user-interface thread's business; other threads
// have no event loop of their own to run.
bool onUiThread() {
    const QCoreApplication* app = QCoreApplication::instance();
    return app != nullptr && QThread::currentThread() == app->thread();
}

void processEventsOnUiThread() {
    if (onUiThread()) {
        QCoreApplication::processEvents();
    }
}

// Runs a local event loop until the deadline, so the window keeps working while the caller
// waits and the processor is not kept busy. Other threads simply sleep.
void waitWithEventLoop(int milliseconds) {
    if (!onUiThread()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(std::max(0, milliseconds)));
        return;
    }
    if (milliseconds <= 0) {
        QCoreApplication::processEvents();
        return;
    }
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    deadline.start(milliseconds);
    loop.exec();
}

void postToApplication(std::function<void()> call) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr) {
        return; // the program is ending; nobody is left to receive the call
    }
    QMetaObject::invokeMethod(app, std::move(call), Qt::QueuedConnection);
}

} // namespace

void installQtPlatformHandlers() {
    installQtEventHandlers();
    setPrompt(std::make_shared<MessageBoxPrompt>());
}

void installQtEventHandlers() {
    setPendingEventsHandler(processEventsOnUiThread);
    setWaitHandler(waitWithEventLoop);
    setUiThreadPoster(postToApplication);
}

std::string ClipboardText() {
    const QClipboard* clipboard = QGuiApplication::clipboard();
    return clipboard != nullptr ? QStringToLocal(clipboard->text()) : std::string();
}

void SetClipboardText(const std::string& text) {
    if (QClipboard* clipboard = QGuiApplication::clipboard()) {
        clipboard->setText(LocalToQString(text));
    }
}

ScreenSize PrimaryScreenSize() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return {};
    }
    const QSize size = screen->size();
    return {size.width(), size.height()};
}

} // namespace tb::platform
