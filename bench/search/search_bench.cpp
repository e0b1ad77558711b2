// One search in the real main window, timed from the click on the get-list button to the
// last row painted. The catalogue hosts come from TUNEBATCH_SEARCH_HOST and friends (the
// run script points them at the stand-in catalogue serving --synthetic N songs).
//
//   tunebatch-search-bench KEYWORD EXPECTED_ROWS
// Prints "rows N seconds S paints P longest-gap-ms G"; exits 1 when the list does not hold
// EXPECTED_ROWS rows.

#include "app/main_window.h"
#include "catalogue/result_list.h"
#include "data/qt_local_text.h"
#include "platform/qt/qt_platform.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kRepaintAskMs = 16;

// Counts the paints of the window's widgets while the search runs, to show that the window
// kept painting rather than freezing until the end. The window is asked to repaint every
// kRepaintAskMs, as an uncovered or resized window would be, so a gap is a stretch in
// which the program did not give the event loop its turn.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(const QElapsedTimer& clock) : m_clock(clock) {}
    int paints = 0;
    qint64 longestGapMs = 0; // the longest time without any paint

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints;
            const qint64 now = m_clock.elapsed();
            longestGapMs = std::max(longestGapMs, now - m_lastPaintMs);
            m_lastPaintMs = now;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    const QElapsedTimer& m_clock;
    qint64 m_lastPaintMs = 0;
};

} // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: tunebatch-search-bench KEYWORD EXPECTED_ROWS\n");
        return 2;
    }
    tb::platform::installQtPlatformHandlers();
    tb::app::MainWindow window;
    window.show();
    // Typing the keyword asks for suggestions; that happens before the clock starts.
    window.编辑框_输入->setText(QString::fromUtf8(argv[1]));
    QApplication::processEvents();

    QElapsedTimer clock;
    PaintCounter counter(clock);
    QApplication::instance()->installEventFilter(&counter);
    QTimer repaintAsk;
    QObject::connect(&repaintAsk, &QTimer::timeout, &window, [&window] { window.update(); });
    repaintAsk.start(kRepaintAskMs);
    clock.start();
    window.按钮_获取->click();
    repaintAsk.stop();
    // The search has added the last row; show it and paint the window once more.
    tb::ResultList& list = window.resultList();
    const int rows = list.rowCount();
    if (rows > 0) {
        list.ensureVisible(rows - 1);
    }
    window.repaint();
    QApplication::processEvents();
    const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;

    std::printf("rows %d seconds %.3f paints %d longest-gap-ms %lld\n", rows, seconds,
                counter.paints, static_cast<long long>(counter.longestGapMs));
    return rows == std::atoi(argv[2]) ? 0 : 1;
}
