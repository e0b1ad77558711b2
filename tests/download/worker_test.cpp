// The download worker: events to row texts, the busy flag, the progress text, and songs
// handed over one after another to a real engine.

#include "download/download_worker.h"

#include "data/local_text.h"
#include "download_test_support.h"
#include "fault_server.h"
#include "platform/events.h"
#include "shared_nginx_test.h"
#include "support/plain_result_list.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <deque>
#include <fstream>
#include <memory>
#include <thread>

namespace {

namespace fs = std::filesystem;
using namespace tb::test;
using namespace tb::download;
using tb::DownloadBusy;
using tb::Utf8ToLocal;

// The list as the worker leaves it, with every write in order.
class RecordingList : public PlainResultList {
public:
    struct Write {
        int row;
        int column; // -1 for the check box
        std::string text;
    };
    void setCell(int row, int column, const std::string& text) override {
        record({row, column, text});
        PlainResultList::setCell(row, column, text);
    }
    void setTicked(int row, bool ticked) override {
        record({row, -1, ticked ? "ticked" : "unticked"});
        PlainResultList::setTicked(row, ticked);
    }
    std::vector<Write> writes() const {
        std::lock_guard lock(m_writeMutex);
        return m_writes;
    }

private:
    void record(Write write) {
        std::lock_guard lock(m_writeMutex);
        m_writes.push_back(std::move(write));
    }
    mutable std::mutex m_writeMutex;
    std::vector<Write> m_writes;
};

// Queues the worker's list updates like a window's event loop, to be run by the test.
class QueuedUiThread {
public:
    QueuedUiThread() {
        tb::platform::setUiThreadPoster([this](std::function<void()> call) {
            std::lock_guard lock(m_mutex);
            m_calls.push_back(std::move(call));
        });
    }
    ~QueuedUiThread() { tb::platform::setUiThreadPoster({}); }
    std::size_t pending() const {
        std::lock_guard lock(m_mutex);
        return m_calls.size();
    }
    void runPending() {
        std::deque<std::function<void()>> calls;
        {
            std::lock_guard lock(m_mutex);
            calls.swap(m_calls);
        }
        for (auto& call : calls) {
            call();
        }
    }

private:
    mutable std::mutex m_mutex;
    std::deque<std::function<void()>> m_calls;
};

TEST(ProgressText, RoundsHalfAwayFromZeroWithoutClamping) {
    EXPECT_EQ(ProgressText(450, 1000, 126'362), "45% + 123.40KB");
    EXPECT_EQ(ProgressText(25, 1000, 128), "3% + 0.13KB");   // 2.5 % and 0.125 KB
    EXPECT_EQ(ProgressText(4, 1000, 127), "0% + 0.12KB");    // 0.124 KB
    EXPECT_EQ(ProgressText(1500, 1000, 0), "150% + 0.00KB"); // more than announced
    EXPECT_EQ(ProgressText(777, 0, 2048), "0% + 2.00KB");    // total not known yet
    EXPECT_EQ(ProgressText(1'000'000, 1'000'000, 1'000'000), "100% + 976.56KB");
}

class WorkerEvents : public testing::Test {
protected:
    void SetUp() override {
        DownloadBusy = false;
        m_list.appendRow();
        m_list.appendRow();
        m_list.setTicked(1, true);
    }
    // Feeds events as the engine would for the song in row 1 and returns the answers.
    std::vector<int> feed(DownloadWorker& worker, const std::vector<std::pair<int, int>>& events) {
        std::vector<int> answers;
        std::string file = "song.mp3";
        for (const auto& [kind, value] : events) {
            answers.push_back(worker.OnDownloadEvent(kind, 0, value, 0, file));
        }
        return answers;
    }

    DownloadEngine m_engine;
    RecordingList m_list;
};

TEST_F(WorkerEvents, SongThatArrivesEndsCompleteAndUnticked) {
    QueuedUiThread ui;
    DownloadWorker worker(m_engine, m_list);
    worker.beginRow(1);

    EXPECT_EQ(feed(worker, {{5, 0}}), std::vector<int>{0});
    EXPECT_TRUE(DownloadBusy);
    EXPECT_EQ(m_list.cell(1, tb::kColStatus), "")
        << "cells change only on the user-interface thread";
    EXPECT_EQ(ui.pending(), 2u);
    ui.runPending();
    EXPECT_EQ(m_list.cell(1, tb::kColStatus), Utf8ToLocal("初始化"));
    EXPECT_EQ(m_list.lastVisible(), 1);

    EXPECT_EQ(feed(worker, {{3, 1000}, {7, 0}, {8, 0}}), (std::vector<int>{0, 0, 0}));
    ui.runPending();
    EXPECT_EQ(m_list.cell(1, tb::kColStatus), Utf8ToLocal("下载中"));
    EXPECT_EQ(m_list.cell(1, tb::kColProgress), "0% + 0.00KB");
    EXPECT_TRUE(DownloadBusy);
    EXPECT_TRUE(m_list.isTicked(1));
    // Segment starts, blocks and unknown kinds leave the row alone.
    EXPECT_EQ(feed(worker, {{6, 0}, {16, 20480}, {99, 1}}), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(ui.pending(), 0u);

    EXPECT_EQ(feed(worker, {{4, 1000}}), std::vector<int>{0});
    EXPECT_FALSE(DownloadBusy);
    ui.runPending();
    EXPECT_EQ(m_list.cell(1, tb::kColStatus), Utf8ToLocal("下载完成"));
    EXPECT_FALSE(m_list.isTicked(1));
}

TEST_F(WorkerEvents, FailureAndExistingTargetKeepTheirStatusThroughTheEnd) {
    struct Case {
        std::vector<std::pair<int, int>> events;
        std::vector<int> answers;
        const char* status;
    };
    const std::vector<Case> cases = {
        {{{5, 0}, {3, 5000}, {9, 100}, {4, 5000}}, {0, 0, 1, 0}, "出错任务"},
        {{{5, 0}, {18, 10}, {9, 0}, {4, 0}}, {0, 1, 1, 0}, "本地存在"},
        {{{5, 0}, {3, 5000}, {4, 5000}}, {0, 0, 0}, "下载完成"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.status);
        m_list.setTicked(1, true);
        DownloadWorker worker(m_engine, m_list);
        worker.beginRow(1);
        std::vector<std::pair<int, int>> beforeEnd(c.events.begin(), c.events.end() - 1);
        const auto answers = feed(worker, beforeEnd);
        EXPECT_EQ(DownloadBusy.load(), c.events.size() == 3);
        const auto last = feed(worker, {c.events.back()});
        std::vector<int> all = answers;
        all.push_back(last.front());
        EXPECT_EQ(all, c.answers);
        EXPECT_FALSE(DownloadBusy);
        EXPECT_EQ(m_list.cell(1, tb::kColStatus), Utf8ToLocal(c.status));
        EXPECT_FALSE(m_list.isTicked(1));
        EXPECT_EQ(m_list.cell(0, tb::kColStatus), "") << "another row was written";
    }
}

class WorkerWithNginx : public SharedNginxTest {
protected:
    void SetUp() override {
        SharedNginxTest::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        DownloadBusy = false;
        for (int i = 0; i < 3; ++i) {
            m_list.appendRow();
            m_list.setTicked(i, true);
        }
    }
    std::string local(const fs::path& path) const { return Utf8ToLocal(path.string()); }

    RecordingList m_list;
};

TEST_F(WorkerWithNginx, SongEndsDownloadedWithFullProgress) {
    const std::string data = testBytes(1'500'000, 21);
    const std::string url = s_nginx->addFile("files/worker.bin", data);
    DownloadEngine engine;
    engine.initialise(20480, 0, 0);
    DownloadWorker worker(engine, m_list);
    // The start pauses 100 ms with the window alive; the task is not started yet, so the
    // batch command's flag stays down.
    std::vector<int> waits;
    bool busyOrRunningInPause = false;
    tb::platform::setWaitHandler([&](int milliseconds) {
        waits.push_back(milliseconds);
        busyOrRunningInPause = busyOrRunningInPause || DownloadBusy || engine.running();
    });
    const fs::path target = m_folder.path() / "歌.mp3";
    worker.StartRowDownload(Utf8ToLocal(url), local(target), 2);
    tb::platform::setWaitHandler({});
    engine.waitUntilIdle();

    EXPECT_EQ(waits, std::vector<int>{100});
    EXPECT_FALSE(busyOrRunningInPause);
    EXPECT_EQ(sha256Hex(readFile(target)), sha256Hex(data));
    EXPECT_EQ(m_list.cell(2, tb::kColStatus), Utf8ToLocal("下载完成"));
    EXPECT_EQ(m_list.cell(2, tb::kColProgress).rfind("100% + ", 0), 0u)
        << m_list.cell(2, tb::kColProgress);
    EXPECT_FALSE(m_list.isTicked(2));
    EXPECT_FALSE(DownloadBusy);
    const DownloadSettings& settings = worker.settings();
    EXPECT_EQ(settings.address, Utf8ToLocal(url));
    EXPECT_EQ(settings.file, local(target));
    EXPECT_EQ(
        (std::vector<int>{settings.bufferSize, settings.connections, settings.connectTimeoutMs,
                          settings.sendTimeoutMs, settings.receiveTimeoutMs, settings.stopGraceMs,
                          settings.secondBufferSize}),
        (std::vector<int>{4096, 3, 5000, 5001, 10000, 1000, 20480}));
}

// The batch command waits on DownloadBusy and hands over the next song at once. The
// first song's later connections are refused (kind 9: busy falls) while its first
// connection is still receiving: the second song must still be started, and only after the
// first task's final report.
TEST_F(WorkerWithNginx, SecondSongStartsOnlyAfterTheFirstHasEnded) {
    const std::string firstData = testBytes(300'000, 1);
    std::mutex mutex;
    std::condition_variable released;
    bool release = false;
    FaultServer firstServer([&](int socket, const std::string& request) {
        if (requestedOffset(request).value_or(0) != 0) {
            sendAll(socket, "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n");
            return;
        }
        sendAll(socket, partialHead(0, 299'999, 300'000));
        std::unique_lock lock(mutex);
        released.wait_for(lock, std::chrono::seconds(20), [&] { return release; });
        lock.unlock();
        sendAll(socket, firstData);
    });
    // The first connection's body is let go only while the window waits a second time.
    int waits = 0;
    tb::platform::setWaitHandler([&](int milliseconds) {
        if (++waits == 2) {
            std::lock_guard lock(mutex);
            release = true;
            released.notify_all();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    });
    const std::string secondData = testBytes(300'000, 2);
    const std::string second = s_nginx->addFile("files/second.bin", secondData);
    DownloadEngine engine;
    engine.initialise(20480, 0, 0);
    DownloadWorker worker(engine, m_list);

    worker.StartRowDownload(Utf8ToLocal(firstServer.url()), local(m_folder.path() / "first.mp3"),
                            0);
    const std::string failed = Utf8ToLocal("出错任务");
    while (m_list.cell(0, tb::kColStatus) != failed) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    // Busy has fallen on the first failure report; the first task is still running.
    EXPECT_FALSE(DownloadBusy);
    EXPECT_TRUE(engine.running());
    waits = 0;
    worker.StartRowDownload(Utf8ToLocal(second), local(m_folder.path() / "second.mp3"), 1);
    engine.waitUntilIdle();
    tb::platform::setWaitHandler({});

    EXPECT_FALSE(fs::exists(m_folder.path() / "first.mp3"));
    EXPECT_EQ(sha256Hex(readFile(m_folder.path() / "second.mp3")), sha256Hex(secondData));
    EXPECT_EQ(m_list.cell(0, tb::kColStatus), Utf8ToLocal("出错任务"));
    EXPECT_EQ(m_list.cell(1, tb::kColStatus), Utf8ToLocal("下载完成"));
    EXPECT_FALSE(m_list.isTicked(0));
    EXPECT_FALSE(m_list.isTicked(1));
    const auto writes = m_list.writes();
    std::size_t lastOfFirst = 0;
    std::size_t firstOfSecond = writes.size();
    for (std::size_t i = 0; i < writes.size(); ++i) {
        if (writes[i].row == 0 && writes[i].column >= 0) {
            lastOfFirst = i;
        }
        if (writes[i].row == 1 && firstOfSecond == writes.size() && writes[i].column >= 0) {
            firstOfSecond = i;
        }
    }
    ASSERT_LT(firstOfSecond, writes.size()) << "the second song never started";
    EXPECT_LT(lastOfFirst, firstOfSecond);
}

// A song whose size is never announced follows one whose size was: its progress must not
// be measured against the previous song's size.
TEST_F(WorkerWithNginx, SizeOfThePreviousSongIsNotUsedForTheNext) {
    const std::string sized = s_nginx->addFile("files/sized.bin", testBytes(100'000, 3));
    const std::string unsized = testBytes(150'000, 4);
    FaultServer chunkless([&](int socket, const std::string&) {
        sendAll(socket, "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + unsized);
    });
    DownloadEngine engine;
    engine.initialise(20480, 0, 0);
    DownloadWorker worker(engine, m_list);
    worker.StartRowDownload(Utf8ToLocal(sized), local(m_folder.path() / "a.mp3"), 0);
    engine.waitUntilIdle();
    ASSERT_EQ(m_list.cell(0, tb::kColProgress).rfind("100% + ", 0), 0u)
        << m_list.cell(0, tb::kColProgress);

    worker.StartRowDownload(Utf8ToLocal(chunkless.url()), local(m_folder.path() / "b.mp3"), 1);
    engine.waitUntilIdle();
    EXPECT_EQ(readFile(m_folder.path() / "b.mp3"), unsized);
    EXPECT_EQ(m_list.cell(1, tb::kColStatus), Utf8ToLocal("下载完成"));
    EXPECT_EQ(m_list.cell(1, tb::kColProgress), "0% + 146.48KB");
}

// The worker may go (the window closes) while its song is still arriving: the task it
// started is stopped before the receiver goes, and updates still queued for the window's
// thread no longer reach the list.
TEST_F(WorkerWithNginx, WorkerGoingAwayStopsItsSongAndDropsQueuedUpdates) {
    const std::string url = s_nginx->addFile("slow/going.bin", testBytes(2'000'000, 6));
    const fs::path target = m_folder.path() / "going.mp3";
    QueuedUiThread ui;
    DownloadEngine engine;
    engine.initialise(20480, 0, 0);
    auto worker = std::make_unique<DownloadWorker>(engine, m_list);
    worker->StartRowDownload(Utf8ToLocal(url), local(target), 2);
    ASSERT_TRUE(engine.running());
    while (engine.bytesWritten() == 0 && engine.running()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_GT(engine.bytesWritten(), 0) << "no data arrived";

    worker.reset();
    EXPECT_FALSE(engine.running()) << "the task outlived its receiver";
    EXPECT_TRUE(engine.lastOutcome().stopped);
    EXPECT_FALSE(fs::exists(target));
    ASSERT_GT(ui.pending(), 0u);
    const std::size_t writesBefore = m_list.writes().size();
    ui.runPending();
    EXPECT_EQ(m_list.writes().size(), writesBefore);
    EXPECT_TRUE(m_list.isTicked(2));
}

} // namespace
