#include "platform/qt/message_box_prompt.h"

#include "data/qt_local_text.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QThread>

#include <utility>

namespace tb::platform {
namespace {

QMessageBox::StandardButtons standardButtons(PromptButtons buttons) {
    switch (buttons) {
    case PromptButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case PromptButtons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case PromptButtons::Ok:
        break;
    }
    return QMessageBox::Ok;
}

// Closing a box without choosing counts as its negative answer.
PromptAnswer answerFor(int clicked, PromptButtons buttons) {
    switch (clicked) {
    case QMessageBox::Yes:
        return PromptAnswer::Yes;
    case QMessageBox::Ok:
        return PromptAnswer::Ok;
    case QMessageBox::No:
        return PromptAnswer::No;
    case QMessageBox::Cancel:
        return PromptAnswer::Cancel;
    default:
        break;
    }
    switch (buttons) {
    case PromptButtons::YesNo:
        return PromptAnswer::No;
    case PromptButtons::OkCancel:
        return PromptAnswer::Cancel;
    case PromptButtons::Ok:
        break;
    }
    return PromptAnswer::Ok;
}

// The program speaks Chinese; Qt's own button captions follow the system's language.
void captionButtons(QMessageBox& box) {
    static const std::pair<QMessageBox::StandardButton, const char*> kCaptions[] = {
        {QMessageBox::Yes, "是"},
        {QMessageBox::No, "否"},
        {QMessageBox::Ok, "确定"},
        {QMessageBox::Cancel, "取消"},
    };
    for (const auto& [button, caption] : kCaptions) {
        if (QAbstractButton* shown = box.button(button)) {
            shown->setText(QString::fromUtf8(caption));
        }
    }
}

PromptAnswer showBox(const std::string& text, const std::string& title, PromptButtons buttons) {
    const QMessageBox::Icon icon =
        buttons == PromptButtons::YesNo ? QMessageBox::Question : QMessageBox::Information;
    QMessageBox box(icon, LocalToQString(title), LocalToQString(text), standardButtons(buttons),
                    QApplication::activeWindow());
    captionButtons(box);
    return answerFor(box.exec(), buttons);
}

} // namespace

// Boxes belong to the user-interface thread; a caller on another thread waits for the answer.
PromptAnswer MessageBoxPrompt::ask(const std::string& text, const std::string& title,
                                   PromptButtons buttons) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr || QThread::currentThread() == app->thread()) {
        return showBox(text, title, buttons);
    }
    PromptAnswer answer = PromptAnswer::Cancel;
    QMetaObject::invokeMethod(
        app, [&] { answer = showBox(text, title, buttons); }, Qt::BlockingQueuedConnection);
    return answer;
}

} // namespace tb::platform
