// Profile files: reading and writing single values by the rules users and other programs
// expect of INI files, in local text.

#include "data/local_text.h"
#include "layout/download_options.h"
#include "layout/profile_file.h"
#include "platform/temp_folder.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace tb::layout {
namespace {

namespace fs = std::filesystem;

std::string local(const char* utf8) {
    return Utf8ToLocal(utf8);
}

class ProfileFile : public testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(m_folder.path().empty()); }

    // A file of the folder, its name given in UTF-8; its path as local text.
    std::string pathOf(const char* name) const {
        return Utf8ToLocal((m_folder.path() / name).string());
    }
    std::string contentOf(const char* name) const {
        return tb::test::ReadFileBytes(m_folder.path() / name);
    }
    void writeFile(const char* name, const std::string& bytes) const {
        std::ofstream(m_folder.path() / name, std::ios::binary) << bytes;
    }

    test::TempFolder m_folder;
};

// Written by hand: a comment, odd spacing, LF endings with one CR LF section, quotes, an entry
// before any section, and a second section of the same name.
const std::string kHandWritten = local("orphan=before any section\n"
                                       "; the player page, arranged by hand\n"
                                       "  [ 位置 ]  \n"
                                       "图片框_image =  {1,2}  \n"
                                       "KEY=one\n"
                                       "quoted = \"  spaced  \"\n"
                                       "single='x'\n"
                                       "mismatched=\"y'\n"
                                       "lonequote=\"\n"
                                       "empty=\n"
                                       "novalue\n"
                                       "key=second of the same key\n"
                                       "[Other]\r\n"
                                       "key=two\r\n"
                                       "[位置]\n"
                                       "late=only in the second section\n");

TEST_F(ProfileFile, ReadingFollowsTheRulesOfAHandWrittenFile) {
    writeFile("hand.ini", kHandWritten);
    const std::string file = pathOf("hand.ini");
    const std::string position = local("位置");
    const struct {
        std::string section;
        std::string key;
        std::string value;
    } cases[] = {
        {position, local("图片框_image"), "{1,2}"}, // blanks around names and values
        {position, "key", "one"},                   // letter case of keys, first of two
        {local(" 位置\t"), " KEY ", "one"},         // blanks around the names asked for
        {position, "quoted", "  spaced  "},         // one pair of quotes comes off
        {position, "single", "x"},
        {position, "mismatched", "\"y'"},
        {position, "lonequote", "\""},
        {position, "empty", ""},
        {position, "novalue", ""},
        {"OTHER", "KEY", "two"},    // letter case of sections; CR LF endings
        {position, "late", ""},     // the second section of a name is never read
        {"", "orphan", ""},         // an entry before any section belongs to none
        {local("宽高"), "key", ""}, // missing section
        {position, "missing", ""},  // missing key
        {position, local("; the player page, arranged by hand"), ""}, // a comment is no key
    };
    for (const auto& item : cases) {
        SCOPED_TRACE(LocalToUtf8(item.section) + " / " + LocalToUtf8(item.key));
        EXPECT_EQ(ReadProfileString(file, item.section, item.key), item.value);
    }
    EXPECT_EQ(ReadProfileString(pathOf("missing.ini"), position, "key"), "");
    EXPECT_EQ(ReadProfileString(Utf8ToLocal(m_folder.path().string()), position, "key"), "");
}

TEST_F(ProfileFile, NamesCompareCharacterByCharacter) {
    // 0x81 0x41 and 0x81 0x61 are two characters whose second bytes look like "A" and "a";
    // 0x81 0x5D has a second byte that looks like "]".
    writeFile("dbcs.ini", "[\x81\x41]\r\nk=upper\r\n[\x81\x5D]\r\n\x81\x41=bracket\r\n");
    const std::string file = pathOf("dbcs.ini");
    EXPECT_EQ(ReadProfileString(file, "\x81\x41", "K"), "upper");
    EXPECT_EQ(ReadProfileString(file, "\x81\x61", "k"), "");
    EXPECT_EQ(ReadProfileString(file, "\x81\x5D", "\x81\x41"), "bracket");
    EXPECT_EQ(ReadProfileString(file, "\x81\x5D", "\x81\x61"), "");
}

TEST_F(ProfileFile, BlankNamesReadNothingAndWriteNothing) {
    writeFile("layout.ini", "[a]\r\nb=c\r\n");
    const std::string file = pathOf("layout.ini");
    for (const std::string& blank : {std::string(), std::string(" \t"), std::string("\x01\x20")}) {
        SCOPED_TRACE(blank.size());
        EXPECT_EQ(ReadProfileString(blank, "a", "b"), "");
        EXPECT_EQ(ReadProfileString(file, blank, "b"), "");
        EXPECT_EQ(ReadProfileString(file, "a", blank), "");
        EXPECT_FALSE(WriteProfileString(blank, "a", "b", "x"));
        EXPECT_FALSE(WriteProfileString(file, blank, "b", "x"));
        EXPECT_FALSE(WriteProfileString(file, "a", blank, "x"));
        EXPECT_FALSE(WriteProfileString(pathOf("new.ini"), blank, "b", "x"));
    }
    EXPECT_EQ(contentOf("layout.ini"), "[a]\r\nb=c\r\n");
    EXPECT_FALSE(fs::exists(m_folder.path() / "new.ini"));
}

TEST_F(ProfileFile, ALongValueIsCutAtTheLimitBetweenCharacters) {
    const std::string longAscii(20000, 'a');
    // "ab" and then two-byte characters: the one that would end at byte 10240 is left out.
    std::string longChinese = "ab";
    while (longChinese.size() < 20000) {
        longChinese += local("中");
    }
    writeFile("long.ini", "[s]\r\nascii=" + longAscii + "\r\nchinese=" + longChinese + "\r\n");
    const std::string file = pathOf("long.ini");
    EXPECT_EQ(ReadProfileString(file, "s", "ascii"), longAscii.substr(0, 10239));
    EXPECT_EQ(ReadProfileString(file, "s", "chinese"), longChinese.substr(0, 10238));
}

TEST_F(ProfileFile, WritingCreatesWhatIsMissingAndReplacesValuesInPlace) {
    const std::string file = pathOf("自由排版.ini");
    const std::string position = local("位置");
    ASSERT_TRUE(WriteProfileString(file, position, local("图片框_image"), "{1,2}"));
    EXPECT_EQ(contentOf("自由排版.ini"), local("[位置]\r\n图片框_image={1,2}\r\n"));

    ASSERT_TRUE(WriteProfileString(file, local("宽高"), local("窗口"), "{852,680}"));
    ASSERT_TRUE(WriteProfileString(file, position, local("编辑框_歌词"), "{3,4}"));
    ASSERT_TRUE(WriteProfileString(file, local(" 位置 "), local("图片框_IMAGE"), "{5,6}"));
    EXPECT_EQ(contentOf("自由排版.ini"), local("[位置]\r\n"
                                               "图片框_image={5,6}\r\n"
                                               "编辑框_歌词={3,4}\r\n"
                                               "[宽高]\r\n"
                                               "窗口={852,680}\r\n"));
    EXPECT_EQ(ReadProfileString(file, position, local("编辑框_歌词")), "{3,4}");
}

TEST_F(ProfileFile, WritingKeepsEveryOtherByteOfAHandWrittenFile) {
    writeFile("hand.ini", kHandWritten);
    const std::string file = pathOf("hand.ini");
    const std::string position = local("位置");
    ASSERT_TRUE(WriteProfileString(file, position, local("图片框_image"), "{7,8}"));
    ASSERT_TRUE(WriteProfileString(file, position, "added", "new"));
    ASSERT_TRUE(WriteProfileString(file, "other", "more", "3"));
    ASSERT_TRUE(WriteProfileString(file, "late", "k", "v"));
    // The first section of a name takes the new key, after its last entry; the file's own
    // LF endings are used, and the line after the replaced value keeps its CR LF.
    std::string expected = kHandWritten;
    const auto replace = [&expected](const std::string& from, const std::string& to) {
        const std::size_t at = expected.find(from);
        ASSERT_NE(at, std::string::npos);
        expected.replace(at, from.size(), to);
    };
    replace(local("图片框_image =  {1,2}  \n"), local("图片框_image ={7,8}\n"));
    replace("key=second of the same key\n", "key=second of the same key\nadded=new\n");
    replace("key=two\r\n", "key=two\r\nmore=3\n");
    expected += "[late]\nk=v\n";
    EXPECT_EQ(contentOf("hand.ini"), expected);
}

TEST_F(ProfileFile, AFileWithoutAFinalLineEndGetsOneBeforeANewLine) {
    writeFile("open.ini", "[s]\nk=v");
    ASSERT_TRUE(WriteProfileString(pathOf("open.ini"), "s", "n", "w"));
    EXPECT_EQ(contentOf("open.ini"), "[s]\nk=v\nn=w\n");
    writeFile("open2.ini", "[s]");
    ASSERT_TRUE(WriteProfileString(pathOf("open2.ini"), "t", "n", "w"));
    EXPECT_EQ(contentOf("open2.ini"), "[s]\r\n[t]\r\nn=w\r\n");
}

TEST_F(ProfileFile, WhatCouldNotBeReadBackIsNotWritten) {
    writeFile("layout.ini", "[s]\r\nk=v\r\n");
    const std::string file = pathOf("layout.ini");
    EXPECT_FALSE(WriteProfileString(file, "s", "k", "two\r\nlines"));
    EXPECT_FALSE(WriteProfileString(file, "s", "k", "line\nfeed"));
    EXPECT_FALSE(WriteProfileString(file, "s]x", "k", "v"));
    EXPECT_FALSE(WriteProfileString(file, "s", "a=b", "v"));
    EXPECT_FALSE(WriteProfileString(file, "s", "[k", "v"));
    EXPECT_FALSE(WriteProfileString(file, "s", ";k", "v"));
    EXPECT_FALSE(WriteProfileString(file, "s\nt", "k", "v"));
    // A first byte of a two-byte character at the end of the section name would take the
    // closing "]" as its second byte: the header would be no header, and every later write
    // would add another one. "=" is never a second byte, so such a key is fine.
    EXPECT_FALSE(WriteProfileString(file, "\x01\x9C", "k", "v"));
    EXPECT_FALSE(WriteProfileString(file, "a\x81\x41\x81", "k", "v"));
    EXPECT_EQ(contentOf("layout.ini"), "[s]\r\nk=v\r\n");
    ASSERT_TRUE(WriteProfileString(file, "s", "k\x81", "v"));
    EXPECT_EQ(ReadProfileString(file, "s", "k\x81"), "v");
    ASSERT_TRUE(WriteProfileString(file, "\x81\x41", "k", "w"));
    EXPECT_EQ(ReadProfileString(file, "\x81\x41", "k"), "w");

    // A folder in the file's place is neither read nor replaced.
    fs::create_directory(m_folder.path() / "folder.ini");
    EXPECT_FALSE(WriteProfileString(pathOf("folder.ini"), "s", "k", "v"));
    EXPECT_TRUE(fs::is_directory(m_folder.path() / "folder.ini"));
}

// The download switches: off without a file, kept as the user left them, in the file's own
// GB18030 text, beside whatever else the file holds.
TEST_F(ProfileFile, DownloadSwitchesAreOffUntilSavedAndThenKept) {
    EXPECT_EQ(DownloadOptionsFileName(), local("下载选项.ini"));
    const std::string file = pathOf("下载选项.ini");
    EXPECT_EQ(LoadDownloadOptions(file), DownloadOptions{});
    EXPECT_FALSE(DownloadOptions{}.writeSongTags || DownloadOptions{}.saveLyricsFile);

    for (const DownloadOptions options :
         {DownloadOptions{true, false}, DownloadOptions{false, true}, DownloadOptions{true, true},
          DownloadOptions{}}) {
        ASSERT_TRUE(SaveDownloadOptions(file, options));
        EXPECT_EQ(LoadDownloadOptions(file), options);
    }
    EXPECT_EQ(contentOf("下载选项.ini"), local("[下载]\r\n写入歌曲标签=0\r\n保存歌词文件=0\r\n"));

    writeFile("下载选项.ini", local("; by hand\n[下载]\n写入歌曲标签 = yes\n保存歌词文件=2\n"));
    EXPECT_EQ(LoadDownloadOptions(file), (DownloadOptions{false, true}));
    EXPECT_FALSE(
        SaveDownloadOptions(pathOf("no-folder/下载选项.ini"), DownloadOptions{true, true}));
}

} // namespace
} // namespace tb::layout
