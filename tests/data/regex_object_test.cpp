#include "data/local_text.h"
#include "data/regex_object.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using tb::RegexObject;

std::string L(const char* utf8) {
    return tb::Utf8ToLocal(utf8);
}

const char* const kCharsetPattern = R"(<meta.+?charset=[^\w]?([-\w]+))";

TEST(RegexObject, FindsTheCharsetOfAMetaTag) {
    RegexObject regex;
    ASSERT_TRUE(regex.Create(kCharsetPattern,
                             L("<html><head><META http-equiv=\"Content-Type\" content=\"text/html; "
                               "charset=utf-8\"><title>歌</title>")));
    EXPECT_EQ(regex.MatchCount(), 1);
    EXPECT_EQ(regex.SubmatchCount(), 1);
    EXPECT_EQ(regex.SubmatchText(1, 1), "utf-8");
    EXPECT_EQ(regex.Pattern(), kCharsetPattern);

    ASSERT_TRUE(regex.Create(kCharsetPattern, "<html><body>no tag</body></html>"));
    EXPECT_EQ(regex.MatchCount(), 0);
    EXPECT_EQ(regex.SubmatchCount(), 0);
    EXPECT_EQ(regex.SubmatchText(1, 1), "");
    EXPECT_EQ(regex.MatchText(1), "");
}

TEST(RegexObject, DotNeverCrossesALineBreak) {
    RegexObject regex;
    for (const char* lineBreak : {"\n", "\r", "\r\n"}) {
        const std::string page =
            std::string("<meta content=\"text/html;") + lineBreak + " charset=gbk\">";
        ASSERT_TRUE(regex.Create(kCharsetPattern, page));
        EXPECT_EQ(regex.MatchCount(), 0) << int(lineBreak[0]);
    }
    ASSERT_TRUE(regex.Create("a.c", "a\nc a-c"));
    EXPECT_EQ(regex.MatchText(1), "a-c");
}

TEST(RegexObject, LetterCaseIsIgnoredUnlessAskedFor) {
    RegexObject regex;
    ASSERT_TRUE(regex.Create("CHARSET=([A-Z]+)", "charset=gbk"));
    EXPECT_EQ(regex.SubmatchText(1, 1), "gbk");
    ASSERT_TRUE(regex.Create("CHARSET=([A-Z]+)", "charset=gbk", true));
    EXPECT_EQ(regex.MatchCount(), 0);
}

TEST(RegexObject, QuotePlaceholderStandsForADoubleQuote) {
    RegexObject regex;
    const std::string pattern = L("charset=#引号([^#引号]+)#引号");
    ASSERT_TRUE(regex.Create(pattern, "<meta charset=\"big5\">", false, true, true, true));
    EXPECT_EQ(regex.SubmatchText(1, 1), "big5");
    EXPECT_EQ(regex.Pattern(), "charset=\"([^\"]+)\"");
    // Without the switch the placeholder is plain text.
    ASSERT_TRUE(regex.Create(pattern, "<meta charset=\"big5\">"));
    EXPECT_EQ(regex.MatchCount(), 0);
}

TEST(RegexObject, PositionsAreByteOffsetsInTheLocalText) {
    RegexObject regex;
    std::size_t position = 99;
    ASSERT_TRUE(regex.Create("abc", L("中abc")));
    EXPECT_EQ(regex.MatchText(1, &position), "abc");
    EXPECT_EQ(position, 2u);
    // A four-byte character, and a group that repeats text found earlier in its match.
    ASSERT_TRUE(regex.Create("(x)y(x)", L("🎵中xyx")));
    EXPECT_EQ(regex.MatchText(1, &position), "xyx");
    EXPECT_EQ(position, 6u);
    EXPECT_EQ(regex.SubmatchText(1, 2, &position), "x");
    EXPECT_EQ(position, 8u);
    ASSERT_TRUE(regex.Create(L("歌(名)"), L("歌名，歌名")));
    EXPECT_EQ(regex.MatchCount(), 2);
    EXPECT_EQ(regex.SubmatchText(2, 1, &position), L("名"));
    EXPECT_EQ(position, 8u);
    // Out of range and non-participating groups leave the position alone.
    position = 77;
    EXPECT_EQ(regex.MatchText(3, &position), "");
    ASSERT_TRUE(regex.Create("a(b)?", "a"));
    EXPECT_EQ(regex.SubmatchText(1, 1, &position), "");
    EXPECT_EQ(position, 77u);
}

TEST(RegexObject, PositionsStayTrueAfterBytesThatAreNoCharacter) {
    RegexObject regex;
    std::size_t position = 99;
    // A byte that starts nothing, a lead byte without its partner, and a cut four-byte one.
    for (const std::string& before :
         {std::string("\xFF"), std::string("\x81 "), std::string("\x81\x30"), L("歌") + "\x80"}) {
        ASSERT_TRUE(regex.Create("(b)c", before + "abc"));
        EXPECT_EQ(regex.MatchText(1, &position), "bc");
        EXPECT_EQ(position, before.size() + 1);
        EXPECT_EQ(regex.SubmatchText(1, 1, &position), "b");
        EXPECT_EQ(position, before.size() + 1);
    }
}

TEST(RegexObject, IndexesAreOneBasedAndOutOfRangeReadsAreEmpty) {
    RegexObject regex;
    ASSERT_TRUE(regex.Create(R"((\w+)=(\d+))", "a=1; bb=22; ccc=333"));
    EXPECT_EQ(regex.MatchCount(), 3);
    EXPECT_EQ(regex.SubmatchCount(), 2);
    EXPECT_EQ(regex.MatchText(1), "a=1");
    EXPECT_EQ(regex.MatchText(3), "ccc=333");
    EXPECT_EQ(regex.SubmatchText(2, 1), "bb");
    EXPECT_EQ(regex.SubmatchText(3, 2), "333");
    for (const auto& [match, group] : {std::pair{0, 1}, {4, 1}, {1, 0}, {1, 3}, {-1, 1}}) {
        EXPECT_EQ(regex.SubmatchText(match, group), "") << match << "," << group;
    }
    EXPECT_EQ(regex.MatchText(0), "");
    EXPECT_EQ(regex.MatchText(4), "");
}

TEST(RegexObject, WordClassIsAsciiAndOptionsShapeTheMatches) {
    RegexObject regex;
    ASSERT_TRUE(regex.Create(R"(\w+)", L("ab中cd_9é")));
    EXPECT_EQ(regex.MatchCount(), 2);
    EXPECT_EQ(regex.MatchText(2), "cd_9");
    ASSERT_TRUE(regex.Create(R"(\w+)", "one two three", false, true, false));
    EXPECT_EQ(regex.MatchCount(), 1);
    ASSERT_TRUE(regex.Create("^b.*$", "a\nb1\r\nb2"));
    EXPECT_EQ(regex.MatchCount(), 2);
    EXPECT_EQ(regex.MatchText(1), "b1");
    ASSERT_TRUE(regex.Create("^b.*$", "a\nb1\nb2", false, false));
    EXPECT_EQ(regex.MatchCount(), 0);
    ASSERT_TRUE(regex.Create("a+?", "aaa"));
    EXPECT_EQ(regex.MatchCount(), 3);
    ASSERT_TRUE(regex.Create("x*", "ab"));
    EXPECT_EQ(regex.MatchCount(), 3); // empty matches step one character on
}

TEST(RegexObject, LongTargetsDoNotCutTheMatchShort) {
    std::string target;
    for (int i = 0; i < 100000; ++i) {
        target += "ab";
    }
    target += "x";
    RegexObject regex;
    ASSERT_TRUE(regex.Create("(a|b)*x", target));
    ASSERT_EQ(regex.MatchCount(), 1);
    EXPECT_EQ(regex.MatchText(1).size(), target.size());
    EXPECT_EQ(regex.SubmatchText(1, 1), "b");
}

TEST(RegexObject, InvalidPatternFailsAndReadsStayEmpty) {
    RegexObject regex;
    EXPECT_EQ(regex.Pattern(), "");
    EXPECT_EQ(regex.MatchCount(), 0);
    EXPECT_EQ(regex.Replace("x"), "");
    ASSERT_TRUE(regex.Create("(a)", "a"));
    for (const char* bad : {"(a", "[", "a{2,1}", "*", "(?<n"}) {
        EXPECT_FALSE(regex.Create(bad, "a(a")) << bad;
        EXPECT_EQ(regex.errorText().rfind("invalid pattern at offset ", 0), 0u) << bad;
        EXPECT_EQ(regex.MatchCount(), 0) << bad;
        EXPECT_EQ(regex.SubmatchCount(), 0) << bad;
        EXPECT_EQ(regex.MatchText(1), "") << bad;
        EXPECT_EQ(regex.Replace("x"), "") << bad;
        EXPECT_EQ(regex.Pattern(), bad);
    }
}

TEST(RegexObject, AnEngineLimitFailsTheSearchInsteadOfReadingAsNoMatch) {
    const std::string runaway = std::string(25, 'a') + "!";
    RegexObject regex;
    EXPECT_FALSE(regex.Create("(?:a|a)*$", runaway));
    EXPECT_NE(regex.errorText().find("match limit"), std::string::npos) << regex.errorText();
    EXPECT_EQ(regex.MatchCount(), 0);
    EXPECT_EQ(regex.MatchText(1), "");
    EXPECT_EQ(regex.Replace("x"), "");
    EXPECT_EQ(regex.Pattern(), "(?:a|a)*$");
    // In global mode the matches found before the failure are not passed off as all of them.
    EXPECT_FALSE(regex.Create("b|(?:a|a)*$", "b b " + runaway));
    EXPECT_EQ(regex.MatchCount(), 0);
    // Asked for the first match only, the search ends before it reaches the trap.
    ASSERT_TRUE(regex.Create("b|(?:a|a)*$", "b b " + runaway, false, true, false));
    EXPECT_EQ(regex.MatchCount(), 1);
    EXPECT_EQ(regex.errorText(), "");
}

TEST(RegexObject, ReplaceExpandsMatchAndGroupReferences) {
    RegexObject regex;
    ASSERT_TRUE(regex.Create(R"((\w+)=(\d+))", L("甲 a=1; bb=22")));
    EXPECT_EQ(regex.Replace("$2:$1"), L("甲 1:a; 22:bb"));
    EXPECT_EQ(regex.Replace("[$&]"), L("甲 [a=1]; [bb=22]"));
    EXPECT_EQ(regex.Replace("$$1 $3 $"), L("甲 $1 $3 $; $1 $3 $"));
    EXPECT_EQ(regex.Replace("$10"), L("甲 a0; bb0")); // no group 10: group 1 then "0"
    ASSERT_TRUE(regex.Create("b", "abc"));
    EXPECT_EQ(regex.Replace("[$`|$']"), "a[a|c]c");
    ASSERT_TRUE(regex.Create("o", "foo boo", false, true, false));
    EXPECT_EQ(regex.Replace("0"), "f0o boo");
    ASSERT_TRUE(regex.Create("x*", "ab"));
    EXPECT_EQ(regex.Replace("-"), "-a-b-");
    ASSERT_TRUE(regex.Create("a(z)?", "ab"));
    EXPECT_EQ(regex.Replace("[$1]"), "[]b");
}

TEST(RegexObject, CopiesShareResultsUntilTheirOwnCreate) {
    RegexObject first;
    ASSERT_TRUE(first.Create("\\d", "1 2"));
    RegexObject second = first;
    EXPECT_EQ(second.MatchCount(), 2);
    ASSERT_TRUE(second.Create("\\d", "3"));
    EXPECT_EQ(first.MatchText(2), "2");
    EXPECT_EQ(second.MatchCount(), 1);
}

} // namespace
