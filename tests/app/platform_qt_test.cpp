// The Qt-backed platform hooks: waiting with a live event loop, calls posted from other
// threads, and message boxes.

#include "app_test_support.h"
#include "data/local_text.h"
#include "platform/events.h"
#include "platform/prompt.h"
#include "platform/qt/qt_platform.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <atomic>
#include <thread>

namespace tb::app::test {
namespace {

using platform::PromptAnswer;
using platform::PromptButtons;

TEST(QtPlatform, WaitKeepsEventsFlowingUntilTheDeadline) {
    bool timerFired = false;
    QTimer::singleShot(5, qApp, [&] { timerFired = true; });
    QElapsedTimer clock;
    clock.start();
    platform::WaitProcessingEvents(60);
    EXPECT_TRUE(timerFired);
    EXPECT_GE(clock.elapsed(), 59);
}

TEST(QtPlatform, OtherThreadsWaitBySleepingAndProcessNothing) {
    bool timerFired = false;
    QTimer::singleShot(0, qApp, [&] { timerFired = true; });
    qint64 waited = 0;
    std::thread worker([&] {
        QElapsedTimer clock;
        clock.start();
        platform::ProcessPendingEvents();
        platform::WaitProcessingEvents(20);
        waited = clock.elapsed();
    });
    worker.join();
    EXPECT_GE(waited, 19);
    // The user-interface thread's timer was not run by the worker.
    EXPECT_FALSE(timerFired);
    QCoreApplication::processEvents();
    EXPECT_TRUE(timerFired);
}

TEST(QtPlatform, CallsPostedFromAnotherThreadRunOnTheUiThreadInOrder) {
    const std::thread::id uiThread = std::this_thread::get_id();
    std::vector<int> order;
    bool allOnUiThread = true;
    std::thread worker([&] {
        for (int i = 0; i < 5; ++i) {
            platform::PostToUiThread([&, i] {
                allOnUiThread = allOnUiThread && std::this_thread::get_id() == uiThread;
                order.push_back(i);
            });
        }
    });
    worker.join();
    ASSERT_TRUE(waitFor([&] { return order.size() == 5; }));
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_TRUE(allOnUiThread);
}

// Answers the next message box by pressing a button (or Escape), recording what it showed.
struct BoxSeen {
    QString title;
    QString text;
    int buttonCount = 0;
    QStringList captions; // in the order of the box's buttons
};

// Waits for the next box to open (it may be asked for from another thread) and answers it.
void answerNextBox(BoxSeen& seen, QMessageBox::StandardButton press) {
    auto* poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, qApp, [&seen, press, poll] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) {
            return;
        }
        poll->deleteLater();
        poll->stop();
        seen = {box->windowTitle(), box->text(), static_cast<int>(box->buttons().size()), {}};
        for (const QMessageBox::StandardButton button :
             {QMessageBox::Yes, QMessageBox::No, QMessageBox::Ok, QMessageBox::Cancel}) {
            if (box->button(button) != nullptr) {
                seen.captions << box->button(button)->text();
            }
        }
        if (press == QMessageBox::NoButton) {
            QTest::keyClick(box, Qt::Key_Escape);
        } else {
            box->button(press)->click();
        }
    });
    poll->start(5);
}

TEST(QtPlatform, MessageBoxesShowTheTextsAndReportTheButtonPressed) {
    platform::setPrompt(nullptr);
    platform::installQtPlatformHandlers();
    BoxSeen seen;

    answerNextBox(seen, QMessageBox::No);
    EXPECT_EQ(
        platform::ShowPrompt(Utf8ToLocal("多开？"), PromptButtons::YesNo, Utf8ToLocal("询问")),
        PromptAnswer::No);
    EXPECT_EQ(seen.title, qs("询问"));
    EXPECT_EQ(seen.text, qs("多开？"));
    EXPECT_EQ(seen.buttonCount, 2);
    EXPECT_EQ(seen.captions, (QStringList{qs("是"), qs("否")}));

    answerNextBox(seen, QMessageBox::Ok);
    EXPECT_EQ(platform::ShowPrompt("a\r\n\r\nb", PromptButtons::OkCancel), PromptAnswer::Ok);
    EXPECT_EQ(seen.title, qs("信息："));
    EXPECT_EQ(seen.buttonCount, 2);
    EXPECT_EQ(seen.captions, (QStringList{qs("确定"), qs("取消")}));

    // Escape is the negative answer of a question.
    answerNextBox(seen, QMessageBox::NoButton);
    EXPECT_EQ(platform::ShowPrompt("x", PromptButtons::OkCancel), PromptAnswer::Cancel);
    answerNextBox(seen, QMessageBox::Ok);
    EXPECT_EQ(platform::ShowPrompt("x"), PromptAnswer::Ok);
    EXPECT_EQ(seen.buttonCount, 1);
    EXPECT_EQ(seen.captions, QStringList{qs("确定")});

    // A question from another thread is shown by the user-interface thread.
    answerNextBox(seen, QMessageBox::Yes);
    PromptAnswer fromWorker = PromptAnswer::Cancel;
    std::atomic<bool> answered{false};
    std::thread worker([&] {
        fromWorker = platform::ShowPrompt("worker?", PromptButtons::YesNo);
        answered = true;
    });
    const bool done = waitFor([&] { return answered.load(); });
    worker.join();
    EXPECT_TRUE(done);
    EXPECT_EQ(fromWorker, PromptAnswer::Yes);
    EXPECT_EQ(seen.text, qs("worker?"));
    platform::setPrompt(nullptr);
}

} // namespace
} // namespace tb::app::test
