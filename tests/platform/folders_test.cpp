#include "platform/folders.h"

#include "data/local_text.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

namespace {

namespace fs = std::filesystem;
using namespace tb::platform;

// Sets an environment variable for one scope and restores the previous state.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::string& value) : m_name(name) {
        if (const char* old = std::getenv(name)) {
            m_old = old;
        }
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedVariable() {
        if (m_old) {
            ::setenv(m_name, m_old->c_str(), 1);
        } else {
            ::unsetenv(m_name);
        }
    }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

TEST(Folders, TemporaryFolderFollowsTmpdirWhenItIsAFolder) {
    tb::test::TempFolder folder;
    ASSERT_FALSE(folder.path().empty());
    const fs::path chinese = folder.path() / "临时";
    fs::create_directory(chinese);
    {
        ScopedVariable tmpdir("TMPDIR", chinese.string());
        EXPECT_EQ(TemporaryFolder(), tb::Utf8ToLocal(chinese.string() + "/"));
    }
    {
        ScopedVariable tmpdir("TMPDIR", (folder.path() / "missing").string());
        EXPECT_EQ(TemporaryFolder(), "/tmp/");
    }
    {
        ScopedVariable tmpdir("TMPDIR", "");
        EXPECT_EQ(TemporaryFolder(), "/tmp/");
    }
}

TEST(Folders, CurrentAndHomeFolderAsLocalText) {
    tb::test::TempFolder folder;
    ASSERT_FALSE(folder.path().empty());
    const fs::path chinese = folder.path() / "当前 🎵";
    fs::create_directory(chinese);
    const fs::path previous = fs::current_path();
    fs::current_path(chinese);
    const std::string current = CurrentFolder();
    fs::current_path(previous);
    EXPECT_EQ(current, tb::Utf8ToLocal(fs::canonical(chinese).string() + "/"));

    ScopedVariable home("HOME", chinese.string());
    EXPECT_EQ(HomeFolder(), tb::Utf8ToLocal(chinese.string() + "/"));
}

} // namespace
