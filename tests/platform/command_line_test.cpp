#include "platform/process_launch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Arguments = std::vector<std::string>;

struct SplitCase {
    const char* commandLine;
    Arguments expected;
};

TEST(SplitCommandLine, BlanksSeparateAndDoubleQuotesGroup) {
    const SplitCase cases[] = {
        {"", {}},
        {"   ", {}},
        {"one", {"one"}},
        {"TS 5", {"TS", "5"}},
        {" path url", {"path", "url"}}, // the plug-in's leading blank
        {" path ", {"path"}},           // an empty second argument vanishes
        {"a    b\t\tc", {"a", "b", "c"}},
        {"\ta\t", {"a"}},
        {R"("a b" c)", {"a b", "c"}},
        {R"("  lead and trail  ")", {"  lead and trail  "}},
        {R"(x"a b"y)", {"xa by"}}, // quotes inside a word
        {R"(pre"mid")", {"premid"}},
        {R"("a""b")", {"ab"}},
        {R"("")", {""}}, // empty quotes make an empty argument
        {R"(a "" b)", {"a", "", "b"}},
        {R"("" "")", {"", ""}},
        {R"("unclosed quote)", {"unclosed quote"}},
        {R"(a "b c)", {"a", "b c"}},
        {R"(end")", {"end"}},
        {"multi\nline", {"multi\nline"}}, // only space and tab separate
        {R"(d:\music\ "x\y")", {R"(d:\music\)", R"(x\y)"}},
    };
    for (const SplitCase& c : cases) {
        EXPECT_EQ(tb::platform::SplitCommandLine(c.commandLine), c.expected)
            << "command line: [" << c.commandLine << "]";
    }
}

TEST(SplitCommandLine, KeepsTwoByteCharactersWhole) {
    // 謀 (D6 5C) and 質 (D9 7C) end in ASCII bytes; a full-width blank is not a separator.
    const std::string local = "\xD6\x5C \"\xD9\x7C\xA1\xA1x\"";
    EXPECT_EQ(tb::platform::SplitCommandLine(local), (Arguments{"\xD6\x5C", "\xD9\x7C\xA1\xA1x"}));
    EXPECT_EQ(tb::platform::SplitCommandLine("\xA1\xA1"), (Arguments{"\xA1\xA1"}));
}

} // namespace
