// Where the target cannot be written: a folder that cannot hold files, a read-only file
// system, a full disk, a size larger than the disk. The task fails cleanly and leaves nothing
// under the song's name; a huge announced size takes no disk before data arrives.

#include "platform/positional_file.h"

#include "download/download_engine.h"
#include "download/target_file.h"
#include "download_test_support.h"
#include "fault_server.h"
#include "shared_nginx_test.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace tb::test;
using namespace tb::download;

constexpr const char* kCreateFailure =
    "创建文件错误，超出最大支持下载长度或磁盘不可写或磁盘没有空间或同名文件已存在";

// A small tmpfs mounted for one test; unmounted at the end of its scope.
class SmallTmpfs {
public:
    SmallTmpfs(const fs::path& where, unsigned long flags, const std::string& options)
        : m_where(where) {
        fs::create_directories(where);
        m_mounted = ::mount("tmpfs", where.c_str(), "tmpfs", flags, options.c_str()) == 0;
        m_error = errno;
    }
    ~SmallTmpfs() {
        if (m_mounted) {
            ::umount2(m_where.c_str(), MNT_DETACH);
        }
    }
    bool mounted() const { return m_mounted; }
    int error() const { return m_error; }

private:
    fs::path m_where;
    bool m_mounted = false;
    int m_error = 0;
};

class TargetFile : public SharedNginxTest {};

void expectCreationFailed(const DownloadRun& run, const fs::path& target) {
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(kindsOf(run.events), (std::vector<int>{5, 9, 4}))
        << "no other connection may start after the file failed";
    EXPECT_TRUE(logContains(run, kCreateFailure));
    EXPECT_FALSE(run.outcome.complete);
    EXPECT_FALSE(fs::exists(target));
}

TEST_F(TargetFile, FolderThatCannotHoldFilesFailsTheTask) {
    // Tests run as root, whom permission bits do not stop: a path whose parent is a
    // regular file cannot be created by anyone.
    const std::string url = s_nginx->addFile("files/a.bin", testBytes(100'000));
    std::ofstream(m_folder.path() / "plain-file") << "x";
    const fs::path target = m_folder.path() / "plain-file" / "song.mp3";
    expectCreationFailed(runDownload(url, target), target);

    const fs::path readOnly = m_folder.path() / "read-only";
    SmallTmpfs mount(readOnly, MS_RDONLY, "size=128m"); // more than the 64 MB kept free
    if (!mount.mounted()) {
        GTEST_SKIP() << "cannot mount a read-only tmpfs here: " << std::strerror(mount.error());
    }
    expectCreationFailed(runDownload(url, readOnly / "song.mp3"), readOnly / "song.mp3");
}

// Fills a file system with one file, so that the next write there fails.
class Filler {
public:
    explicit Filler(const fs::path& path) : m_path(path) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        const std::string block(64 * 1024, 'f');
        while (fd >= 0 && ::write(fd, block.data(), block.size()) > 0) {
        }
        for (std::size_t size = 4096; fd >= 0 && size > 0; size /= 2) {
            while (::write(fd, block.data(), size) > 0) {
            }
        }
        m_full = fd >= 0 && errno == ENOSPC;
        if (fd >= 0) {
            ::close(fd);
        }
    }
    ~Filler() { fs::remove(m_path); }
    bool full() const { return m_full; }

private:
    fs::path m_path;
    bool m_full = false;
};

std::int64_t allocatedBytes(const fs::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? static_cast<std::int64_t>(info.st_blocks) * 512 : -1;
}

std::int64_t blockBytes(const std::vector<RecordedEvent>& events) {
    std::int64_t bytes = 0;
    for (const auto& event : events) {
        bytes += event.kind == kEventBlock ? event.value : 0;
    }
    return bytes;
}

TEST_F(TargetFile, FullDiskMidSongFailsWithAWriteErrorAndTheSongFinishesOnceThereIsRoom) {
    const fs::path small = m_folder.path() / "small";
    SmallTmpfs mount(small, 0, "size=72m"); // room for a 4 MB song and the 64 MB kept free
    if (!mount.mounted()) {
        GTEST_SKIP() << "cannot mount a small tmpfs here: " << std::strerror(mount.error());
    }
    const std::string data = testBytes(4'000'000, 61);
    std::mutex mutex;
    std::condition_variable changed;
    bool diskFull = false;
    int requests = 0;
    FaultServer server([&](int socket, const std::string& request) {
        std::unique_lock lock(mutex);
        if (++requests > 1) {
            lock.unlock();
            serveRange(socket, request, data);
            return;
        }
        sendAll(socket, partialHead(0, 3'999'999, 4'000'000) + data.substr(0, 1'000'000));
        changed.wait_for(lock, std::chrono::seconds(30), [&] { return diskFull; });
        lock.unlock();
        sendAll(socket, data.substr(1'000'000));
    });
    const fs::path target = small / "song.mp3";
    EventRecorder recorder;
    DownloadEngine engine;
    DownloadSettings settings = testSettings(server.url(), target, RunOptions{.connections = 1});
    settings.receiver = recorder.receiver();
    ASSERT_TRUE(engine.start(settings));
    for (int i = 0; i < 3000 && blockBytes(recorder.events()) < 1'000'000; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    {
        Filler filler(small / "filler");
        ASSERT_TRUE(filler.full());
        {
            std::lock_guard lock(mutex);
            diskFull = true;
        }
        changed.notify_all();
        engine.waitUntilIdle();
        const auto events = recorder.events();
        EXPECT_EQ(events.back().kind, kEventFinished);
        EXPECT_EQ(recorder.count(kEventConnectionFailed), 1);
        EXPECT_EQ(engine.lastOutcome().reason, "写入文件错误");
        EXPECT_FALSE(fs::exists(target));

        // A song of unknown size grows until the disk is full, and leaves nothing either.
        FaultServer unsized([&](int socket, const std::string&) {
            sendAll(socket, "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + data);
        });
        const DownloadRun growing = runDownload(unsized.url(), small / "growing.mp3");
        ASSERT_TRUE(growing.finished);
        EXPECT_EQ(growing.outcome.reason, "写入文件错误");
        EXPECT_FALSE(fs::exists(small / "growing.mp3"));
        EXPECT_FALSE(fs::exists(small / "growing.mp3.tbpart"));
    }
    // With room again the song is fetched to the end: the failure was the disk's.
    const DownloadRun run = runDownload(server.url(), target, RunOptions{.connections = 1});
    ASSERT_TRUE(run.outcome.complete) << describe(run);
    EXPECT_EQ(sha256Hex(readFile(target)), sha256Hex(data));
}

TEST_F(TargetFile, SizeBeyondTheFreeSpaceIsRefusedAndAHugeOneTakesOnlyWhatArrives) {
    {
        SCOPED_TRACE("1 PiB");
        FaultServer server([&](int socket, const std::string&) {
            sendAll(socket, "HTTP/1.1 200 OK\r\nContent-Length: 1125899906842624\r\n\r\n" +
                                testBytes(1000));
        });
        const DownloadRun run = runDownload(server.url(), m_folder.path() / "huge.mp3");
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(kindsOf(run.events), (std::vector<int>{5, 9, 4}));
        EXPECT_EQ(run.outcome.reason.rfind("磁盘空间不足：文件 1125899906842624 字节，可用 ", 0),
                  0u)
            << run.outcome.reason;
        EXPECT_TRUE(fs::is_empty(m_folder.path())) << "nothing may be created";
    }
    // 5 GiB announced, 1000 bytes sent on each connection, then silence.
    const fs::path roomy = m_folder.path() / "roomy";
    SmallTmpfs mount(roomy, 0, "size=6g"); // a limit only: tmpfs takes memory as it is written
    if (!mount.mounted()) {
        GTEST_SKIP() << "cannot mount a tmpfs here: " << std::strerror(mount.error());
    }
    constexpr std::int64_t kClaim = 5LL * 1024 * 1024 * 1024;
    FaultServer server([&](int socket, const std::string& request) {
        const std::int64_t offset = requestedOffset(request).value_or(0);
        sendAll(socket, partialHead(offset, kClaim - 1, kClaim) + testBytes(1000));
        waitForPeerClose(socket);
    });
    const fs::path target = roomy / "claim.mp3";
    EventRecorder recorder;
    DownloadEngine engine;
    DownloadSettings settings = testSettings(server.url(), target);
    settings.receiver = recorder.receiver();
    ASSERT_TRUE(engine.start(settings));
    EXPECT_TRUE(recorder.waitForCount(kEventBlock, 3, std::chrono::seconds(20)));
    const fs::path partial = tb::download::TargetFile::PartialPathOf(target.string());
    constexpr std::int64_t kFewMegabytes = 4 * 1024 * 1024;
    EXPECT_LE(allocatedBytes(partial), kFewMegabytes);
    engine.stop();
    EXPECT_LE(allocatedBytes(partial), kFewMegabytes) << "after the last writes";
    EXPECT_EQ(recorder.ofKind(kEventTotalSize).at(0).value, kClaim);
    struct statvfs disk {};
    ASSERT_EQ(::statvfs(roomy.c_str(), &disk), 0);
    EXPECT_LE(6LL * 1024 * 1024 * 1024 - static_cast<std::int64_t>(disk.f_bavail * disk.f_frsize),
              kFewMegabytes);
}

TEST(PositionalFile, WritesAtOffsetsUnderALockAndNeverTakesAnExistingName) {
    using tb::platform::PositionalFile;
    ScratchFolder folder;
    const std::string path = (folder.path() / "part").string();
    {
        PositionalFile missing;
        EXPECT_EQ(missing.open(path, PositionalFile::Open::Existing), ENOENT);
    }
    PositionalFile file;
    ASSERT_EQ(file.open(path, PositionalFile::Open::CreateNew), 0);
    EXPECT_EQ(file.writeAt(8, "efgh", 4), 0);
    EXPECT_EQ(file.writeAt(2, "ab", 2), 0);
    EXPECT_EQ(file.size(), 12u);
    EXPECT_EQ(readFile(path), std::string("\0\0ab\0\0\0\0efgh", 12));
    {
        PositionalFile second;
        EXPECT_EQ(second.open(path, PositionalFile::Open::Existing), EWOULDBLOCK)
            << "a second writer must not get in";
        EXPECT_EQ(second.open(path, PositionalFile::Open::CreateNew), EEXIST);
    }
    EXPECT_EQ(file.resize(4), 0);
    EXPECT_EQ(file.sync(), 0);
    file.close();
    EXPECT_EQ(readFile(path), std::string("\0\0ab", 4));

    const std::string taken = (folder.path() / "song.mp3").string();
    std::ofstream(taken) << "kept";
    EXPECT_EQ(tb::platform::RenameNoReplace(path, taken), EEXIST);
    EXPECT_EQ(readFile(taken), "kept");
    const std::string fresh = (folder.path() / "fresh.mp3").string();
    EXPECT_EQ(tb::platform::RenameNoReplace(path, fresh), 0);
    EXPECT_EQ(readFile(fresh), std::string("\0\0ab", 4));
    EXPECT_FALSE(fs::exists(path));

    fs::create_symlink(taken, path);
    PositionalFile throughLink;
    EXPECT_NE(throughLink.open(path, PositionalFile::Open::Existing), 0);

    const std::string journal = (folder.path() / "journal").string();
    EXPECT_EQ(tb::platform::ReplaceFileAtomically(journal, "first"), 0);
    EXPECT_EQ(tb::platform::ReplaceFileAtomically(journal, "second"), 0);
    EXPECT_EQ(tb::platform::ReadFileUpTo(journal, 100), "second");
    EXPECT_FALSE(tb::platform::ReadFileUpTo(journal, 3).has_value());
    EXPECT_FALSE(fs::exists(journal + ".new"));
}

} // namespace
