// The engine against a real nginx: splitting, byte-exact files, servers without Range,
// redirects, refused answers, an existing target and stopping.

#include "download/download_engine.h"

#include "data/local_text.h"
#include "download/resume_journal.h"
#include "download/target_file.h"
#include "download_test_support.h"
#include "shared_nginx_test.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <set>
#include <thread>
#include <utility>

namespace {

namespace fs = std::filesystem;
using namespace tb::test;
using namespace tb::download;

class EngineWithNginx : public SharedNginxTest {};

// Every run ends with exactly one kind 4, as the last event. Every event but kind 18 (asked
// on a connection's thread) reaches the receiver on one thread, the task's control thread.
void expectEndsWithOneFinish(const DownloadRun& run) {
    ASSERT_TRUE(run.finished);
    ASSERT_FALSE(run.events.empty());
    EXPECT_EQ(run.events.back().kind, kEventFinished);
    EXPECT_EQ(std::count_if(run.events.begin(), run.events.end(),
                            [](const RecordedEvent& e) { return e.kind == kEventFinished; }),
              1);
    const std::thread::id control = run.events.back().thread;
    EXPECT_NE(control, std::this_thread::get_id());
    for (const auto& event : run.events) {
        if (event.kind == kEventTargetExists) {
            EXPECT_NE(event.thread, control) << "kind 18 is asked by the connection itself";
        } else {
            EXPECT_EQ(event.thread, control) << "kind " << event.kind;
        }
    }
}

std::int64_t blockBytes(const DownloadRun& run) {
    std::int64_t total = 0;
    for (const auto& event : run.events) {
        if (event.kind == kEventBlock) {
            total += event.value;
        }
    }
    return total;
}

std::set<std::pair<std::int64_t, std::int64_t>> segmentStarts(const DownloadRun& run, int kind) {
    std::set<std::pair<std::int64_t, std::int64_t>> starts;
    for (const auto& event : run.events) {
        if (event.kind == kind) {
            starts.insert({event.value, event.second});
        }
    }
    return starts;
}

TEST_F(EngineWithNginx, MillionBytesArriveInThreeSegmentsByteForByte) {
    const std::string data = testBytes(1'000'000);
    const fs::path target = m_folder.path() / "歌曲 1.mp3";
    const DownloadRun run = runDownload(s_nginx->addFile("files/million.bin", data), target);

    expectEndsWithOneFinish(run);
    EXPECT_TRUE(run.outcome.complete) << run.outcome.reason;
    EXPECT_EQ(sha256Hex(readFile(target)), sha256Hex(data));
    EXPECT_EQ(fs::file_size(target), 1'000'000u);
    // The first connection starts at 0; the other two initial segments are each begun at
    // their start, by a new connection or by one that finished early (kind 7). A further
    // connection may split a remainder, so ends are only known to lie inside the file.
    std::set<std::int64_t> begun;
    for (const int kind : {kEventFirstSegment, kEventFurtherSegment}) {
        for (const auto& [offset, end] : segmentStarts(run, kind)) {
            begun.insert(offset);
            EXPECT_GT(end, offset);
            EXPECT_LE(end, 1'000'000);
        }
    }
    EXPECT_TRUE(begun.count(0) && begun.count(333'333) && begun.count(666'666));
    // The first connection (number 0) takes the first segment.
    const auto firsts = run.ofKind(kEventFirstSegment);
    const auto ofFirst = std::find_if(firsts.begin(), firsts.end(),
                                      [](const RecordedEvent& e) { return e.connection == 0; });
    ASSERT_NE(ofFirst, firsts.end());
    EXPECT_EQ(ofFirst->value, 0);
    EXPECT_EQ(ofFirst->second, 333'333);
    std::int64_t furthest = 0;
    for (const auto& event : run.events) {
        if (event.kind == kEventConnectionEnded) {
            furthest = std::max(furthest, event.value);
        }
        EXPECT_NE(event.kind, kEventConnectionFailed);
        if (event.kind == kEventBlock) {
            EXPECT_LE(event.value, 20480);
        }
    }
    EXPECT_EQ(furthest, 1'000'000);
    EXPECT_EQ(blockBytes(run), 1'000'000);
    // The size is announced once, by the first connection, before any data.
    const auto sizeAt = std::find_if(run.events.begin(), run.events.end(),
                                     [](const RecordedEvent& e) { return e.kind == 3; });
    ASSERT_NE(sizeAt, run.events.end());
    EXPECT_EQ(sizeAt->value, 1'000'000);
    EXPECT_EQ(run.ofKind(kEventTotalSize).size(), 1u);
    EXPECT_TRUE(std::none_of(run.events.begin(), sizeAt, [](const RecordedEvent& e) {
        return e.kind == kEventBlock || e.kind == kEventFirstSegment;
    }));
    EXPECT_EQ(run.events.front().kind, kEventConnectionStarted);
    EXPECT_EQ(run.events.back().value, 1'000'000);
    // One start is asked for each further connection wanted; a start that finds nothing
    // left to share starts none.
    EXPECT_LE(run.ofKind(kEventConnectionStarted).size(), 3u);
}

TEST_F(EngineWithNginx, SmallFilesAndServersWithoutRangeUseOneConnection) {
    struct Case {
        std::string path;
        std::size_t size;
    };
    for (const Case& c : {Case{"files/small.bin", 4095}, Case{"norange/whole.bin", 1'000'000}}) {
        SCOPED_TRACE(c.path);
        const std::string data = testBytes(c.size, 7);
        const fs::path target = m_folder.path() / fs::path(c.path).filename();
        const DownloadRun run = runDownload(s_nginx->addFile(c.path, data), target);
        expectEndsWithOneFinish(run);
        EXPECT_TRUE(run.outcome.complete) << run.outcome.reason;
        EXPECT_EQ(sha256Hex(readFile(target)), sha256Hex(data));
        const auto starts = std::count_if(run.events.begin(), run.events.end(), [](auto& e) {
            return e.kind == kEventConnectionStarted;
        });
        EXPECT_EQ(starts, 1);
        EXPECT_EQ(segmentStarts(run, kEventFirstSegment),
                  (std::set<std::pair<std::int64_t, std::int64_t>>{
                      {0, static_cast<std::int64_t>(c.size)}}));
    }
}

TEST_F(EngineWithNginx, RedirectChainIsFollowedAndALoopFails) {
    const std::string data = testBytes(200'000, 3);
    s_nginx->addFile("files/song.bin", data);
    {
        const fs::path target = m_folder.path() / "chain.mp3";
        const DownloadRun run = runDownload(s_nginx->url("/hop1"), target);
        expectEndsWithOneFinish(run);
        EXPECT_TRUE(run.outcome.complete) << run.outcome.reason;
        EXPECT_EQ(sha256Hex(readFile(target)), sha256Hex(data));
        EXPECT_TRUE(logContains(run, "重定向到 [" + s_nginx->url("/hop2") + "]"));
        EXPECT_TRUE(logContains(run, "重定向到 [" + s_nginx->url("/files/song.bin") + "]"));
    }
    {
        const fs::path target = m_folder.path() / "loop.mp3";
        const DownloadRun run = runDownload(s_nginx->url("/loop"), target);
        expectEndsWithOneFinish(run);
        EXPECT_EQ(kindsOf(run.events), (std::vector<int>{5, 9, 4}));
        EXPECT_FALSE(run.outcome.complete);
        EXPECT_FALSE(fs::exists(target));
    }
}

TEST_F(EngineWithNginx, RefusedAnswersFailWithTheirTexts) {
    struct Case {
        std::string path;
        std::string text;
    };
    for (const Case& c : {Case{"/missing.bin", "出现错误"}, Case{"/forbidden.bin", "出现错误"},
                          Case{"/broken.bin", "暂时不支持的返回, 返回号[500]"}}) {
        SCOPED_TRACE(c.path);
        const fs::path target = m_folder.path() / "refused.mp3";
        const DownloadRun run = runDownload(s_nginx->url(c.path), target);
        expectEndsWithOneFinish(run);
        EXPECT_EQ(kindsOf(run.events), (std::vector<int>{5, 9, 4}));
        EXPECT_TRUE(logContains(run, c.text));
        EXPECT_EQ(run.outcome.reason, c.text);
        EXPECT_FALSE(fs::exists(target));
    }
}

TEST_F(EngineWithNginx, ExistingTargetIsNeverOverwritten) {
    const std::string url = s_nginx->addFile("files/exists.bin", testBytes(100'000, 5));
    const fs::path target = m_folder.path() / "exists.mp3";
    const std::string previous = "an older song";
    std::ofstream(target, std::ios::binary) << previous;

    const DownloadRun run = runDownload(url, target);
    expectEndsWithOneFinish(run);
    // Kind 18 is asked directly on the connection's thread, so it may reach the receiver
    // before the queued kind 5; 9 and then 4 always follow it.
    const std::vector<int> kinds = kindsOf(run.events);
    EXPECT_TRUE(kinds == (std::vector<int>{5, 18, 9, 4}) ||
                kinds == (std::vector<int>{18, 5, 9, 4}));
    const auto asked = run.ofKind(kEventTargetExists);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].value, static_cast<std::int64_t>(previous.size()));
    EXPECT_EQ(asked[0].second, 100'000);
    EXPECT_EQ(readFile(target), previous);
    EXPECT_EQ(std::distance(fs::directory_iterator(m_folder.path()), fs::directory_iterator()), 1);

    // Answer 2: the receiver has named another target, which is created instead.
    const fs::path chosen = m_folder.path() / "chosen.mp3";
    EventRecorder record;
    auto recordEvent = record.receiver();
    DownloadEngine engine;
    DownloadSettings settings = testSettings(url, target);
    settings.receiver = [&](int kind, int connection, std::int64_t value, std::int64_t second,
                            std::string& file) {
        recordEvent(kind, connection, value, second, file);
        if (kind != kEventTargetExists) {
            return 0;
        }
        file = tb::Utf8ToLocal(chosen.string());
        return static_cast<int>(kRenamedTarget);
    };
    ASSERT_TRUE(engine.start(settings));
    engine.waitUntilIdle();
    EXPECT_TRUE(engine.lastOutcome().complete) << engine.lastOutcome().reason;
    EXPECT_EQ(record.count(kEventTargetExists), 1);
    EXPECT_EQ(record.count(kEventConnectionFailed), 0);
    EXPECT_EQ(readFile(target), previous);
    EXPECT_EQ(sha256Hex(readFile(chosen)), sha256Hex(testBytes(100'000, 5)));

    // Answer 0 lets the engine number the name itself.
    RunOptions numbered;
    numbered.targetExistsAnswer = kPickNewName;
    const DownloadRun renamed = runDownload(url, target, numbered);
    EXPECT_TRUE(renamed.outcome.complete) << renamed.outcome.reason;
    EXPECT_EQ(readFile(target), previous);
    EXPECT_EQ(sha256Hex(readFile(m_folder.path() / "exists(1).mp3")),
              sha256Hex(testBytes(100'000, 5)));
}

// A publish step is handed the complete partial file before kind 4 and puts the song under
// the target itself; when it fails, the partial file it left untouched becomes the song.
TEST_F(EngineWithNginx, PublishStepPutsTheSongInPlaceOrTheSongIsSavedAsReceived) {
    const std::string data = testBytes(300'000, 11);
    const std::string url = s_nginx->addFile("files/publish.bin", data);
    for (const bool succeeds : {true, false}) {
        SCOPED_TRACE(succeeds ? "the step succeeds" : "the step fails");
        const fs::path target = m_folder.path() / (succeeds ? "标签.mp3" : "原样.mp3");
        EventRecorder recorder;
        std::vector<std::string> given;
        bool partialWasWhole = false;
        bool beforeFinish = false;
        RunOptions options;
        options.recorder = &recorder;
        options.publish = [&](const std::string& partial, const std::string& name) {
            given = {partial, name};
            const std::string bytes = readFile(tb::LocalToUtf8(partial));
            partialWasWhole = bytes == data;
            beforeFinish = recorder.count(kEventFinished) == 0;
            if (succeeds) {
                std::ofstream(tb::LocalToUtf8(name), std::ios::binary) << "TAG" << bytes;
            }
            return succeeds;
        };
        const DownloadRun run = runDownload(url, target, options);
        expectEndsWithOneFinish(run);
        EXPECT_TRUE(run.outcome.complete) << run.outcome.reason;
        EXPECT_EQ(run.outcome.publishStepFailed, !succeeds);
        const std::string partial = TargetFile::PartialPathOf(target.string());
        EXPECT_EQ(given, (std::vector<std::string>{tb::Utf8ToLocal(partial),
                                                   tb::Utf8ToLocal(target.string())}));
        EXPECT_TRUE(partialWasWhole);
        EXPECT_TRUE(beforeFinish);
        EXPECT_EQ(sha256Hex(readFile(target)), sha256Hex(succeeds ? "TAG" + data : data));
        EXPECT_FALSE(fs::exists(partial));
        EXPECT_FALSE(fs::exists(TargetFile::JournalPathOf(target.string())));
    }
}

TEST(EngineWithTls, UntrustedCertificateIsRefused) {
    const NginxServer server = NginxServer::withSelfSignedTls();
    ASSERT_TRUE(server.running()) << server.problem();
    const std::string url = server.addFile("files/secret.bin", testBytes(10'000));
    ScratchFolder folder;
    const fs::path target = folder.path() / "tls.mp3";
    const DownloadRun run = runDownload(url, target);
    expectEndsWithOneFinish(run);
    EXPECT_EQ(kindsOf(run.events), (std::vector<int>{5, 9, 4}));
    EXPECT_NE(run.outcome.reason.find("certificate"), std::string::npos) << run.outcome.reason;
    EXPECT_FALSE(fs::exists(target));
}

TEST_F(EngineWithNginx, StoppedTaskReportsBytesWrittenAndKeepsItsPartialFileForLater) {
    // 64 KB/s per connection: a 2 MB file takes long enough to be stopped part way.
    const std::string url = s_nginx->addFile("slow/long.bin", testBytes(2'000'000, 9));
    const fs::path target = m_folder.path() / "stopped.mp3";
    EventRecorder recorder;
    DownloadEngine engine;
    engine.initialise(20480, 0, 0);
    DownloadSettings settings = testSettings(url, target);
    settings.receiver = recorder.receiver();
    ASSERT_TRUE(engine.start(settings));
    EXPECT_FALSE(engine.start(settings)) << "a second task must be refused while one runs";

    ASSERT_TRUE(recorder.waitForKind(kEventBlock)) << "no data arrived";
    engine.stop();
    EXPECT_FALSE(engine.running());
    EXPECT_EQ(engine.bytesWritten(), 0);

    const auto events = recorder.events();
    ASSERT_EQ(events.back().kind, kEventFinished);
    const auto outcome = engine.lastOutcome();
    EXPECT_TRUE(outcome.stopped);
    EXPECT_FALSE(outcome.complete);
    EXPECT_EQ(events.back().value, outcome.bytes);
    EXPECT_GT(outcome.bytes, 0);
    EXPECT_LT(outcome.bytes, 2'000'000);
    EXPECT_FALSE(fs::exists(target));
    EXPECT_TRUE(fs::exists(TargetFile::PartialPathOf(target.string())));
    const auto journal = ParseJournal(readFile(TargetFile::JournalPathOf(target.string())));
    ASSERT_TRUE(journal.has_value());
    EXPECT_EQ(journal->recordedBytes(), outcome.bytes);
}

// The receiver runs on the task's own threads; stopping from there only asks (waiting
// there for the end could never return), and the task still ends normally.
TEST_F(EngineWithNginx, ReceiverMayStopTheTaskFromItsOwnThreads) {
    const std::string slowUrl = s_nginx->addFile("slow/stop-here.bin", testBytes(2'000'000, 8));
    const std::string url = s_nginx->addFile("files/stop-exists.bin", testBytes(50'000, 8));
    const fs::path existing = m_folder.path() / "present.mp3";
    std::ofstream(existing, std::ios::binary) << "kept";
    struct Case {
        const char* name;
        std::string address;
        fs::path target;
        int stopOnKind;
    };
    for (const Case& c : {Case{"control thread", slowUrl, m_folder.path() / "s.mp3", kEventBlock},
                          Case{"connection thread", url, existing, kEventTargetExists}}) {
        SCOPED_TRACE(c.name);
        EventRecorder record;
        auto recordEvent = record.receiver();
        DownloadEngine engine;
        std::atomic<bool> stopAsked{false};
        DownloadSettings settings = testSettings(c.address, c.target);
        settings.receiver = [&](int kind, int connection, std::int64_t value, std::int64_t second,
                                std::string& file) {
            if (kind == c.stopOnKind && !stopAsked.exchange(true)) {
                engine.stop();
            }
            return recordEvent(kind, connection, value, second, file);
        };
        ASSERT_TRUE(engine.start(settings));
        ASSERT_TRUE(record.waitForFinish(std::chrono::seconds(30))) << "the task never ended";
        engine.waitUntilIdle();
        const auto outcome = engine.lastOutcome();
        EXPECT_FALSE(outcome.complete);
        EXPECT_TRUE(outcome.stopped);
        EXPECT_EQ(record.events().back().value, outcome.bytes);
        EXPECT_GE(record.count(kEventConnectionFailed), 1);
    }
    EXPECT_FALSE(fs::exists(m_folder.path() / "s.mp3"));
    EXPECT_EQ(readFile(existing), "kept");
}

} // namespace
