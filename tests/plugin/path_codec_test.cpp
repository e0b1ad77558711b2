// The target path's command-line form, shared by the main program and the helper.

#include "data/local_text.h"
#include "plugin/path_codec.h"

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

} // namespace
} // namespace tb::plugin
