// Where the target cannot be written: a folder that cannot hold files, a read-only file
// system, a full disk. The task fails cleanly and leaves nothing behind.

#include "platform/mapped_file.h"

#include "download/download_settings.h"
#include "download_test_support.h"
#include "fault_server.h"
#include "shared_nginx_test.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sys/mount.h>

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
    SmallTmpfs mount(readOnly, MS_RDONLY, "size=1m");
    if (!mount.mounted()) {
        GTEST_SKIP() << "cannot mount a read-only tmpfs here: " << std::strerror(mount.error());
    }
    expectCreationFailed(runDownload(url, readOnly / "song.mp3"), readOnly / "song.mp3");
}

TEST_F(TargetFile, FullDiskFailsTheTaskAndLeavesNothing) {
    const fs::path small = m_folder.path() / "small";
    SmallTmpfs mount(small, 0, "size=256k");
    if (!mount.mounted()) {
        GTEST_SKIP() << "cannot mount a small tmpfs here: " << std::strerror(mount.error());
    }
    // Announced size: the space is reserved at creation, which fails at once.
    const std::string url = s_nginx->addFile("files/big.bin", testBytes(1'000'000));
    expectCreationFailed(runDownload(url, small / "big.mp3"), small / "big.mp3");
    EXPECT_TRUE(fs::is_empty(small));
    // Unannounced size: the file grows until the disk is full, then the task fails.
    const std::string data = testBytes(1'000'000);
    FaultServer server([&](int socket, const std::string&) {
        sendAll(socket, "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + data);
    });
    const DownloadRun growing = runDownload(server.url(), small / "growing.mp3");
    ASSERT_TRUE(growing.finished);
    EXPECT_EQ(kindsOf(growing.events).back(), kEventFinished);
    EXPECT_EQ(growing.ofKind(kEventConnectionFailed).size(), 1u);
    EXPECT_TRUE(logContains(growing, "写入文件错误"));
    EXPECT_TRUE(fs::is_empty(small));
    // The same file fits once there is room: the failure was the disk, not the task.
    const std::string fits = s_nginx->addFile("files/fits.bin", testBytes(200'000));
    const DownloadRun run = runDownload(fits, small / "fits.mp3");
    EXPECT_TRUE(run.outcome.complete) << run.outcome.reason;
}

TEST(MappedFile, NeverOpensAnExistingFileAndNeverWritesPastItsEnd) {
    ScratchFolder folder;
    const fs::path path = folder.path() / "target";
    std::ofstream(path) << "kept";
    tb::platform::MappedFile existing;
    EXPECT_EQ(existing.createNew(path.string(), 10, false), EEXIST);
    EXPECT_EQ(readFile(path), "kept");

    tb::platform::MappedFile file;
    const fs::path fresh = folder.path() / "fresh";
    ASSERT_EQ(file.createNew(fresh.string(), 8, false), 0);
    EXPECT_EQ(fs::file_size(fresh), 8u);
    EXPECT_EQ(file.writeAt(4, "abcd", 4), 0);
    EXPECT_NE(file.writeAt(6, "abcd", 4), 0);
    file.close();
    EXPECT_EQ(readFile(fresh), std::string(4, '\0') + "abcd");

    tb::platform::MappedFile growing;
    const fs::path grown = folder.path() / "grown";
    ASSERT_EQ(growing.createNew(grown.string(), 0, true), 0);
    const std::string bytes = testBytes(3'000'000);
    for (std::size_t at = 0; at < bytes.size(); at += 100'000) {
        ASSERT_EQ(growing.writeAt(at, bytes.data() + at, 100'000), 0);
    }
    growing.close();
    EXPECT_EQ(sha256Hex(readFile(grown)), sha256Hex(bytes));

    tb::platform::MappedFile discarded;
    const fs::path gone = folder.path() / "gone";
    ASSERT_EQ(discarded.createNew(gone.string(), 100, false), 0);
    discarded.discard();
    EXPECT_FALSE(fs::exists(gone));
}

} // namespace
