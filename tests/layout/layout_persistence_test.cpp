// The stored arrangement of the player page: which entries a restore applies, how values
// are read, and what a save writes.

#include "data/local_text.h"
#include "layout/layout_persistence.h"
#include "layout/profile_file.h"
#include "platform/temp_folder.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

namespace tb::layout {
namespace {

std::string local(const char* utf8) {
    return Utf8ToLocal(utf8);
}

// The window as plain values, starting from the designed geometry.
class PlainSurface : public LayoutSurface {
public:
    PlainSurface() {
        const ControlPlace designed[] = {{615, 24},  {537, 144}, {537, 488}, {531, 520},
                                         {791, 520}, {792, 533}, {647, 560}, {551, 616}};
        for (std::size_t i = 0; i < kPlayerControlCount; ++i) {
            places[PlayerControlNames()[i]] = designed[i];
        }
    }
    ControlPlace controlPlace(std::string_view name) const override {
        const auto found = places.find(std::string(name));
        return found == places.end() ? ControlPlace{} : found->second;
    }
    void placeControl(std::string_view name, ControlPlace place) override {
        places[std::string(name)] = place;
    }
    WindowSize windowSize() const override { return size; }
    void resizeWindow(WindowSize newSize) override { size = newSize; }

    std::map<std::string, ControlPlace> places;
    WindowSize size{837, 672};
};

ControlPlace placeOf(const PlainSurface& surface, std::size_t entry) {
    return surface.controlPlace(PlayerControlNames()[entry]);
}

class LayoutPersistence : public testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(m_folder.path().empty()); }

    // Writes the layout file: one value per entry, "" leaves the entry out.
    void writeEntries(const std::vector<std::string>& values) {
        std::string text = local("[位置]\r\n");
        for (std::size_t i = 0; i < values.size() && i < kPlayerControlCount; ++i) {
            if (!values[i].empty()) {
                text += PlayerControlNames()[i] + "=" + values[i] + "\r\n";
            }
        }
        if (values.size() > kPlayerControlCount && !values[kPlayerControlCount].empty()) {
            text += local("[宽高]\r\n窗口=") + values[kPlayerControlCount] + "\r\n";
        }
        std::ofstream(m_folder.path() / "layout.ini", std::ios::binary) << text;
    }
    std::string file() const { return Utf8ToLocal((m_folder.path() / "layout.ini").string()); }
    std::string content() const { return tb::test::ReadFileBytes(m_folder.path() / "layout.ini"); }

    test::TempFolder m_folder;
};

TEST_F(LayoutPersistence, WithoutAFileNothingMoves) {
    PlainSurface surface;
    const PlainSurface designed;
    LoadLayout(surface, file());
    EXPECT_EQ(surface.places, designed.places);
    EXPECT_EQ(surface.size, (WindowSize{837, 672}));
    EXPECT_FALSE(std::filesystem::exists(m_folder.path() / "layout.ini"));
}

TEST_F(LayoutPersistence, TheRestoreStopsAtTheFirstMissingEntry) {
    const PlainSurface designed;
    {
        SCOPED_TRACE("entries 1 to 3 only");
        writeEntries({"{1,2}", "{3,4}", "{5,6}"});
        PlainSurface surface;
        LoadLayout(surface, file());
        EXPECT_EQ(placeOf(surface, 0), (ControlPlace{1, 2}));
        EXPECT_EQ(placeOf(surface, 1), (ControlPlace{3, 4}));
        EXPECT_EQ(placeOf(surface, 2), (ControlPlace{5, 6}));
        for (std::size_t entry = 3; entry < kPlayerControlCount; ++entry) {
            EXPECT_EQ(placeOf(surface, entry), placeOf(designed, entry)) << entry;
        }
        EXPECT_EQ(surface.size, designed.size);
    }
    {
        SCOPED_TRACE("entry 5 empty, 6 to 9 filled");
        writeEntries(
            {"{1,2}", "{3,4}", "{5,6}", "{7,8}", "", "{11,12}", "{13,14}", "{15,16}", "{500,400}"});
        PlainSurface surface;
        LoadLayout(surface, file());
        EXPECT_EQ(placeOf(surface, 3), (ControlPlace{7, 8}));
        for (std::size_t entry = 4; entry < kPlayerControlCount; ++entry) {
            EXPECT_EQ(placeOf(surface, entry), placeOf(designed, entry)) << entry;
        }
        EXPECT_EQ(surface.size, designed.size);
    }
}

TEST_F(LayoutPersistence, ValuesAreReadAsTheirFirstTwoIntegers) {
    const struct {
        const char* value;
        ControlPlace place;
    } cases[] = {
        {"{10,20,30}", {10, 20}},
        {"{-5,7}", {-5, 7}},
        {"{ １２,－３４}", {12, -34}}, // full-width digits, sign and blank
        {"{　+8, 9px}", {8, 9}},
        {"{abc,7}", {0, 7}}, // a part that is not a number counts 0
        {"{,}", {0, 0}},
        {"x{1,2}y}", {1, 2}}, // from the first "{" to the last "}"
        {"{99999999999999999999,-99999999999}", {16777215, -16777215}},
    };
    for (const auto& item : cases) {
        SCOPED_TRACE(item.value);
        writeEntries({local(item.value)});
        PlainSurface surface;
        LoadLayout(surface, file());
        EXPECT_EQ(placeOf(surface, 0), item.place);
    }
}

TEST_F(LayoutPersistence, AValueWithFewerThanTwoPartsEndsTheRestoreThere) {
    const PlainSurface designed;
    for (const char* broken : {"{10}", "10,20", "{10,20", "10,20}", "}10,20{", "{}"}) {
        SCOPED_TRACE(broken);
        writeEntries({"{1,2}", broken, "{5,6}", "{7,8}", "{9,10}", "{11,12}", "{13,14}", "{15,16}",
                      "{500,400}"});
        PlainSurface surface;
        LoadLayout(surface, file());
        EXPECT_EQ(placeOf(surface, 0), (ControlPlace{1, 2}));
        for (std::size_t entry = 1; entry < kPlayerControlCount; ++entry) {
            EXPECT_EQ(placeOf(surface, entry), placeOf(designed, entry)) << entry;
        }
        EXPECT_EQ(surface.size, designed.size);
    }
    EXPECT_FALSE(ParseLayoutValue("{10}"));
    EXPECT_EQ(ParseLayoutValue("{10,20,30}"), (std::array<long long, 2>{10, 20}));
}

TEST_F(LayoutPersistence, ASaveWritesAllNineEntriesAndTheWindowKeepsItsSize) {
    PlainSurface surface;
    surface.places[PlayerControlNames()[6]] = {-3, 700};
    SaveLayout(surface, file());
    EXPECT_EQ(content(), local("[位置]\r\n"
                               "图片框_image={615,24}\r\n"
                               "编辑框_歌词={537,144}\r\n"
                               "标签_name={537,488}\r\n"
                               "滑块条_进度={531,520}\r\n"
                               "标签_音量={791,520}\r\n"
                               "滑块条_音量={792,533}\r\n"
                               "按钮_停止={-3,700}\r\n"
                               "标签_时间={551,616}\r\n"
                               "[宽高]\r\n"
                               "窗口={852,680}\r\n"));

    // The next start takes the 15 and 8 off again, run after run.
    for (int run = 0; run < 3; ++run) {
        PlainSurface next;
        next.size = {100, 100};
        LoadLayout(next, file());
        EXPECT_EQ(next.size, (WindowSize{837, 672}));
        EXPECT_EQ(placeOf(next, 6), (ControlPlace{-3, 700}));
        SaveLayout(next, file());
    }
    EXPECT_EQ(ReadProfileString(file(), local("宽高"), local("窗口")), "{852,680}");

    // A stored size smaller than its extras gives an empty window, never a negative one.
    writeEntries(
        {"{1,2}", "{3,4}", "{5,6}", "{7,8}", "{9,10}", "{11,12}", "{13,14}", "{15,16}", "{3,-2}"});
    PlainSurface small;
    LoadLayout(small, file());
    EXPECT_EQ(small.size, (WindowSize{0, 0}));
}

} // namespace
} // namespace tb::layout
