// The target path's command-line form, shared by the main program and the helper, and the
// song's extras that follow it.

#include "data/local_text.h"
#include "plugin/path_codec.h"
#include "plugin/plugin_extras.h"

#include <gtest/gtest.h>

namespace tb::plugin {
namespace {

TEST(PluginPathCodec, EncodingKeepsThePathOneArgumentAndDecodingRestoresIt) {
    struct Case {
        std::string path; // local text
        std::string encoded;
    };
    const Case cases[] = {
        {Utf8ToLocal("d:\\歌\\A B.mp3"), "d:\\%B8%E8\\A%20B.mp3"},
        {"/music/100%/x.mp3", "/music/100%25/x.mp3"},
        {"a{|}~\x7F\t\r\nz!", "a%7B%7C%7D%7E%7F%09%0D%0Az!"},
        // A quote would group blanks on the helper's command line and vanish from the path.
        {"/x/\"q\" 1/s.mp3", "/x/%22q%22%201/s.mp3"},
        {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(EncodePluginPath(c.path), c.encoded);
        EXPECT_EQ(DecodePluginPath(c.encoded), c.path) << c.encoded;
    }
    std::string everyByte;
    for (int byte = 0; byte < 256; ++byte) {
        everyByte += static_cast<char>(byte);
    }
    const std::string encoded = EncodePluginPath(everyByte);
    EXPECT_EQ(encoded.find_first_of(" \t\"\x7F"), std::string::npos);
    EXPECT_EQ(DecodePluginPath(encoded), everyByte);
    const std::string chinese = Utf8ToLocal("/home/用户/抖音歌曲cc/夜空 之下 (Live).mp3");
    EXPECT_EQ(DecodePluginPath(EncodePluginPath(chinese)), chinese);
}

TEST(PluginPathCodec, DecodingReadsEitherLetterCaseAndKeepsAStrayPercent) {
    EXPECT_EQ(DecodePluginPath("d:\\%b8%e8\\A%20b.mp3"), Utf8ToLocal("d:\\歌\\A b.mp3"));
    EXPECT_EQ(DecodePluginPath("%4a%4A"), "JJ");
    EXPECT_EQ(DecodePluginPath("50%"), "50%");
    EXPECT_EQ(DecodePluginPath("50%4"), "50%4");
    EXPECT_EQ(DecodePluginPath("a%-1b"), "a%-1b");
    // Letters past "f" are read on, not refused: "g" counts 16.
    EXPECT_EQ(DecodePluginPath("%1g"), std::string(1, '\x20'));
}

TEST(PluginExtras, ExtrasSurviveTheCommandLineAndAnythingElseIsRefused) {
    tags::SongExtras extras;
    extras.writeTags = true;
    extras.rowName = Utf8ToLocal("林默 - 晨光 = 歌 --tags");
    extras.imageUrl = "http://h/c.jpg?a=1&b=%20";
    extras.lyrics = Utf8ToLocal("[00:01.50]清晨 的光\r\n[00:06.89]\"我\"\r\n");
    const std::string line = PluginExtrasArguments(extras);
    std::vector<std::string> arguments;
    for (std::size_t at = 1; at <= line.size();) {
        const std::size_t space = std::min(line.find(' ', at), line.size());
        arguments.push_back(line.substr(at, space - at));
        at = space + 1;
    }
    EXPECT_EQ(line.find('"'), std::string::npos);
    ASSERT_EQ(arguments.size(), 4u); // --tags, --name, --cover, --lyrics: empty facts left out
    EXPECT_EQ(ParsePluginExtras(arguments), extras);
    EXPECT_EQ(PluginExtrasArguments({}), "");
    EXPECT_EQ(ParsePluginExtras({}), tags::SongExtras{});

    const std::vector<std::vector<std::string>> refused = {
        {"--tags", "--tags"},
        {"--lyrics-file", "--song=a", "--song=b"},
        {"--song=a"}, // facts without a switch
        {"--tags", "--colour=red"},
        {"--tags", "extra"},
        {"--Tags"},
    };
    for (const auto& wrong : refused) {
        EXPECT_FALSE(ParsePluginExtras(wrong)) << wrong.back();
    }
}

} // namespace
} // namespace tb::plugin
