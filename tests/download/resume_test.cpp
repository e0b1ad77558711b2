// A song that did not finish continues on the next start: from the journal beside its partial
// file, when the server still sends the same file, and never from a journal that cannot be
// trusted.

#include "download/download_engine.h"

#include "data/local_text.h"
#include "download/http_transfer.h"
#include "download/resume_journal.h"
#include "download/target_file.h"
#include "download_test_support.h"
#include "fault_server.h"
#include "shared_nginx_test.h"

#include <gtest/gtest.h>

#include <fstream>
#include <thread>

namespace {

namespace fs = std::filesystem;
using namespace tb::test;
using namespace tb::download;

std::int64_t blockBytes(const std::vector<RecordedEvent>& events) {
    std::int64_t bytes = 0;
    for (const auto& event : events) {
        bytes += event.kind == kEventBlock ? event.value : 0;
    }
    return bytes;
}

// The ETag and Last-Modified the server sends for url.
std::pair<std::string, std::string> validatorsOf(const std::string& url) {
    std::pair<std::string, std::string> validators;
    TransferRequest request;
    request.url = url;
    request.connectTimeoutMs = 5000;
    HttpTransfer().run(
        request,
        [&](const ResponseHead& head) {
            validators = {head.etag(), head.lastModified()};
            return false;
        },
        [](const char*, std::size_t) { return false; }, [] { return false; });
    return validators;
}

class Resume : public SharedNginxTest {
protected:
    fs::path target() const { return m_folder.path() / "song.mp3"; }
    fs::path partial() const { return TargetFile::PartialPathOf(target().string()); }
    fs::path journal() const { return TargetFile::JournalPathOf(target().string()); }

    // Downloads url and stops once at least bytes have arrived; the stopped task's outcome.
    DownloadOutcome stopAfter(const std::string& url, std::int64_t bytes) {
        EventRecorder recorder;
        DownloadEngine engine;
        DownloadSettings settings = testSettings(url, target());
        settings.receiver = recorder.receiver();
        EXPECT_TRUE(engine.start(settings));
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (blockBytes(recorder.events()) < bytes && std::chrono::steady_clock::now() < giveUp) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        engine.stop();
        return engine.lastOutcome();
    }

    void writePartial(const std::string& bytes, const std::string& journalText) const {
        std::ofstream(partial(), std::ios::binary) << bytes;
        std::ofstream(journal(), std::ios::binary) << journalText;
    }
};

TEST_F(Resume, StoppedSongContinuesWhereItStoppedAndEndsWhole) {
    const std::string data = testBytes(600'000, 51);
    const std::string url = s_nginx->addFile("slow/continue.bin", data);
    const DownloadOutcome stopped = stopAfter(url, 150'000);
    EXPECT_TRUE(stopped.stopped);
    EXPECT_FALSE(fs::exists(target()));
    const auto recordedJournal = ParseJournal(readFile(journal()));
    ASSERT_TRUE(recordedJournal.has_value());
    const std::int64_t recorded = recordedJournal->recordedBytes();
    EXPECT_EQ(recorded, stopped.bytes) << "a stopped task records everything it wrote";

    // The next start: progress begins at what is on disk, and only the rest is fetched.
    EventRecorder recorder;
    auto recordEvent = recorder.receiver();
    DownloadEngine engine;
    std::int64_t writtenWhenSized = -1;
    DownloadSettings settings = testSettings(url, target());
    settings.receiver = [&](int kind, int connection, std::int64_t value, std::int64_t second,
                            std::string& file) {
        if (kind == kEventTotalSize) {
            writtenWhenSized = engine.bytesWritten();
        }
        return recordEvent(kind, connection, value, second, file);
    };
    ASSERT_TRUE(engine.start(settings));
    engine.waitUntilIdle();
    const DownloadOutcome outcome = engine.lastOutcome();
    ASSERT_TRUE(outcome.complete) << outcome.reason;
    EXPECT_EQ(sha256Hex(readFile(target())), sha256Hex(data));
    EXPECT_EQ(outcome.resumedBytes, recorded);
    EXPECT_EQ(outcome.bytes, 600'000);
    EXPECT_EQ(blockBytes(recorder.events()), 600'000 - recorded);
    ASSERT_EQ(recorder.count(kEventTotalSize), 1);
    EXPECT_EQ(recorder.ofKind(kEventTotalSize)[0].value, 600'000);
    EXPECT_GE(writtenWhenSized, recorded);
    const auto firsts = recorder.ofKind(kEventFirstSegment);
    ASSERT_FALSE(firsts.empty());
    EXPECT_EQ(firsts[0].value, MissingRanges(recordedJournal->ranges, 600'000).front().start);
    EXPECT_EQ(recorder.events().back().value, 600'000);
    EXPECT_FALSE(fs::exists(partial()));
    EXPECT_FALSE(fs::exists(journal()));
}

TEST_F(Resume, ChangedFileOnTheServerIsFetchedAnew) {
    struct Case {
        const char* name;
        std::string changed;
    };
    for (const Case& c : {Case{"same size, other bytes", testBytes(600'000, 53)},
                          Case{"other size", testBytes(500'000, 54)}}) {
        SCOPED_TRACE(c.name);
        const std::string url = s_nginx->addFile("slow/changing.bin", testBytes(600'000, 52));
        const DownloadOutcome stopped = stopAfter(url, 100'000);
        ASSERT_GT(stopped.bytes, 0);
        ASSERT_TRUE(fs::exists(journal()));
        // A new file on the server, dated later (validators change even within one second).
        s_nginx->addFile("slow/changing.bin", c.changed);
        const fs::path onServer = s_nginx->folder() / "root/slow/changing.bin";
        fs::last_write_time(onServer, fs::last_write_time(onServer) + std::chrono::hours(1));

        const DownloadRun run = runDownload(url, target());
        ASSERT_TRUE(run.outcome.complete) << describe(run);
        EXPECT_EQ(sha256Hex(readFile(target())), sha256Hex(c.changed));
        EXPECT_EQ(run.outcome.resumedBytes, 0);
        EXPECT_EQ(blockBytes(run.events), static_cast<std::int64_t>(c.changed.size()));
        EXPECT_TRUE(logContains(run, "服务器上的文件与上次不同，重新下载"));
        fs::remove(target());
    }
}

TEST_F(Resume, EarlierTryOfAFileThatHasShrunkIsStartedOver) {
    const std::string data = testBytes(3000, 58);
    FaultServer server([&](int socket, const std::string& request) {
        if (requestedOffset(request).value_or(0) > 0) {
            sendAll(socket, "HTTP/1.1 416 Range Not Satisfiable\r\nContent-Range: bytes */3000\r\n"
                            "Content-Length: 0\r\n\r\n");
            return;
        }
        serveRange(socket, request, data);
    });
    writePartial(std::string(6000, 'X'), FormatJournal({server.url(), 6000, "", "", {{0, 5000}}}));
    const DownloadRun run = runDownload(server.url(), target());
    ASSERT_TRUE(run.outcome.complete) << describe(run);
    EXPECT_EQ(sha256Hex(readFile(target())), sha256Hex(data));
    EXPECT_EQ(run.outcome.resumedBytes, 0);
    ASSERT_EQ(server.requests().size(), 2u);
    EXPECT_EQ(requestedOffset(server.requests()[0]), 5000);
    EXPECT_EQ(requestedOffset(server.requests()[1]), 0);
}

// The partial file holds the song where a good journal says so and junk elsewhere; only a
// journal that is whole, of this address and of this file is believed.
TEST_F(Resume, OnlyAWholeJournalOfTheSameAddressAndFileIsBelieved) {
    const std::string data = testBytes(300'000, 55);
    const std::string url = s_nginx->addFile("files/journal.bin", data);
    const auto [etag, lastModified] = validatorsOf(url);
    ASSERT_FALSE(etag.empty());
    ResumeJournal good{url, 300'000, etag, lastModified, {{0, 100'000}, {200'000, 250'000}}};
    std::string partOfSong(300'000, 'X');
    for (const ByteRange& range : good.ranges) {
        partOfSong.replace(range.start, range.length(), data.substr(range.start, range.length()));
    }
    const std::string goodText = FormatJournal(good);
    {
        writePartial(partOfSong, goodText);
        const DownloadRun run = runDownload(url, target());
        ASSERT_TRUE(run.outcome.complete) << describe(run);
        EXPECT_EQ(sha256Hex(readFile(target())), sha256Hex(data));
        EXPECT_EQ(run.outcome.resumedBytes, 150'000);
        EXPECT_EQ(blockBytes(run.events), 150'000);
        fs::remove(target());
    }
    ResumeJournal foreign = good;
    foreign.address = url + "?another";
    ResumeJournal tooLong = good;
    tooLong.ranges.push_back({280'000, 400'000});
    std::string flipped = goodText;
    flipped[flipped.find("range 0 100000") + 9] = '2';
    const std::vector<std::pair<const char*, std::string>> untrusted = {
        {"truncated", goodText.substr(0, goodText.size() / 2)},
        {"garbage", testBytes(500, 56)},
        {"a changed digit", flipped},
        {"another address", FormatJournal(foreign)},
        {"ranges past the total", FormatJournal(tooLong)},
    };
    for (const auto& [name, text] : untrusted) {
        SCOPED_TRACE(name);
        writePartial(std::string(300'000, 'X'), text); // junk where the journal says song
        const DownloadRun run = runDownload(url, target());
        ASSERT_TRUE(run.outcome.complete) << describe(run);
        EXPECT_EQ(sha256Hex(readFile(target())), sha256Hex(data));
        EXPECT_EQ(run.outcome.resumedBytes, 0);
        EXPECT_EQ(blockBytes(run.events), 300'000);
        EXPECT_FALSE(fs::exists(partial()));
        EXPECT_FALSE(fs::exists(journal()));
        fs::remove(target());
    }
}

TEST_F(Resume, SecondTaskOnTheSameTargetIsRefusedWhileTheFirstRuns) {
    const std::string url = s_nginx->addFile("slow/shared.bin", testBytes(600'000, 57));
    EventRecorder first;
    DownloadEngine engine;
    DownloadSettings settings = testSettings(url, target());
    settings.receiver = first.receiver();
    ASSERT_TRUE(engine.start(settings));
    ASSERT_TRUE(first.waitForKind(kEventBlock));

    const DownloadRun second = runDownload(url, target());
    EXPECT_EQ(kindsOf(second.events), (std::vector<int>{5, 9, 4}));
    EXPECT_EQ(second.outcome.reason, "目标文件正被另一个任务下载");
    EXPECT_TRUE(engine.running()) << "the first task goes on";
    engine.stop();
    EXPECT_FALSE(fs::exists(target()));
    EXPECT_TRUE(ParseJournal(readFile(journal())).has_value());
}

} // namespace
