#include "platform/file_system.h"
#include "platform/process_launch.h"
#include "platform/process_list.h"

#include "data/local_text.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <optional>
#include <signal.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace tb::platform;

// Waits (bounded) until a detached process has renamed its result into place.
std::optional<std::string> waitForFile(const fs::path& path) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
        if (fs::exists(path)) {
            std::ifstream in(path, std::ios::binary);
            return std::string(std::istreambuf_iterator<char>(in), {});
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return std::nullopt;
}

// A shell command line that writes the output of script into result atomically.
std::string shellWriting(const fs::path& result, const std::string& script) {
    return "-c \"( " + script + " ) > '" + result.string() + ".part' && mv '" + result.string() +
           ".part' '" + result.string() + "'\"";
}

// An executable shell script that writes the output of body into result atomically.
fs::path writeScript(const fs::path& script, const fs::path& result, const std::string& body) {
    std::ofstream out(script);
    out << "#!/bin/sh\n( " << body << " ) > '" << result.string() << ".part' && mv '"
        << result.string() << ".part' '" << result.string() << "'\n";
    out.close();
    fs::permissions(script, fs::perms::owner_all);
    return script;
}

bool contains(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

TEST(ProcessList, OwnExecutableIsInTheSnapshot) {
    const std::string own = OwnExecutableName();
    EXPECT_EQ(own, "tb_platform_tests");
    EXPECT_EQ(fs::path(OwnExecutablePath()).filename(), "tb_platform_tests");
    const std::vector<std::string> names = RunningProcessNames();
    EXPECT_TRUE(contains(names, own));
    for (const std::string& name : names) {
        EXPECT_FALSE(name.empty());
    }
}

TEST(ProcessList, ProcessesWithoutReadableExecutableAreNamedByCommand) {
    // Kernel threads, when visible, have a command name but no executable link.
    std::optional<std::string> commandName;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        std::error_code error;
        const fs::path executable = fs::read_symlink(entry.path() / "exe", error);
        std::ifstream comm(entry.path() / "comm");
        std::string name;
        if (error && executable.empty() && std::getline(comm, name) && !name.empty()) {
            commandName = name;
            break;
        }
    }
    if (!commandName) {
        GTEST_SKIP() << "every visible process has a readable executable link";
    }
    EXPECT_TRUE(contains(RunningProcessNames(), *commandName)) << *commandName;
}

TEST(ProcessList, NamesComeFromTheExecutableFileInLocalText) {
    tb::test::TempFolder folder;
    ASSERT_FALSE(folder.path().empty());
    // A copy of sleep with a Chinese name longer than the 15 bytes a command name keeps.
    const fs::path program = folder.path() / "多开测试-long-executable-name";
    fs::copy_file("/bin/sleep", program);
    const pid_t child = ::fork();
    if (child == 0) {
        ::execl(program.c_str(), "renamed-argv0", "30", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ASSERT_GT(child, 0);
    // The child shows its new name once exec is through.
    bool found = false;
    const std::string expected = tb::Utf8ToLocal(program.filename().string());
    for (int attempt = 0; attempt < 500 && !found; ++attempt) {
        found = contains(RunningProcessNames(), expected);
        if (!found) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_TRUE(found);
}

class Launch : public testing::Test {
protected:
    tb::test::TempFolder m_folder;
    void SetUp() override { ASSERT_FALSE(m_folder.path().empty()); }
};

TEST_F(Launch, DetachedProcessRunsInItsOwnSessionAndIsNotOurChild) {
    const fs::path result = m_folder.path() / "result";
    // Fields 4 and 6 of /proc/<pid>/stat: parent process id and session id.
    ASSERT_TRUE(StartDetachedProcess(
        "/bin/sh", shellWriting(result, "cut -d' ' -f4,6 /proc/$$/stat; readlink /proc/$$/fd/0")));
    const std::optional<std::string> text = waitForFile(result);
    ASSERT_TRUE(text.has_value());
    std::istringstream fields(*text);
    long parent = 0;
    long session = 0;
    std::string input;
    fields >> parent >> session >> input;
    EXPECT_NE(parent, static_cast<long>(::getpid()));
    EXPECT_NE(session, static_cast<long>(::getsid(0)));
    EXPECT_EQ(input, "/dev/null");
    // No zombie and no child of ours remains.
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
}

TEST_F(Launch, ArgumentsArriveSplitAndAsUtf8) {
    const fs::path result = m_folder.path() / "args";
    const fs::path script =
        writeScript(m_folder.path() / "args.sh", result, "printf '[%s]' \"$@\"");
    const std::string commandLine =
        script.string() + " zero \"a b\"  " + tb::Utf8ToLocal("歌名") + " \"\" x\"y z\"";
    ASSERT_TRUE(StartDetachedProcess("/bin/sh", commandLine));
    EXPECT_EQ(waitForFile(result), "[zero][a b][歌名][][xy z]");
}

TEST_F(Launch, DescriptorsOfThisProcessAreNotInherited) {
    const int leaked = ::open("/dev/null", O_RDONLY); // deliberately without O_CLOEXEC
    ASSERT_GE(leaked, 3);
    const fs::path result = m_folder.path() / "fds";
    const bool started = StartDetachedProcess(
        "/bin/sh", shellWriting(result, "test -e /proc/$$/fd/" + std::to_string(leaked) +
                                            " && echo inherited || echo closed"));
    ::close(leaked);
    ASSERT_TRUE(started);
    EXPECT_EQ(waitForFile(result), "closed\n");
}

TEST_F(Launch, BareNameIsFoundInTheCurrentFolderFirst) {
    const fs::path result = m_folder.path() / "bare";
    writeScript(m_folder.path() / "批量-tool", result, "echo \"$1\"");
    const fs::path previous = fs::current_path();
    fs::current_path(m_folder.path());
    const bool started = StartDetachedProcess(tb::Utf8ToLocal("批量-tool"), " first second");
    fs::current_path(previous);
    ASSERT_TRUE(started);
    EXPECT_EQ(waitForFile(result), "first\n");
}

TEST_F(Launch, MissingOrUnusableProgramsReportFailure) {
    EXPECT_FALSE(StartDetachedProcess("", "x"));
    EXPECT_FALSE(StartDetachedProcess("tb-no-such-program-anywhere", "x"));
    EXPECT_FALSE(StartDetachedProcess((m_folder.path() / "missing").string(), "x"));
    EXPECT_FALSE(StartDetachedProcess(m_folder.path().string(), "x")); // a folder
    const fs::path plain = m_folder.path() / "not-executable";
    std::ofstream(plain) << "#!/bin/sh\n";
    EXPECT_FALSE(StartDetachedProcess(plain.string(), ""));
    const fs::path badFormat = m_folder.path() / "bad-format";
    std::ofstream(badFormat) << "\x7F"
                                "ELF garbage";
    fs::permissions(badFormat, fs::perms::owner_all);
    EXPECT_FALSE(StartDetachedProcess(badFormat.string(), ""));
}

} // namespace
