#include "data/local_text.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

using tb::Utf8ToLocal;

// Local (GB18030) form of a UTF-8 literal.
std::string L(const char* utf8) {
    return Utf8ToLocal(utf8);
}

TEST(LocalText, GbkCharactersKeepTheirGbkBytes) {
    EXPECT_EQ(L("抖音"), "\xB6\xB6\xD2\xF4");
    EXPECT_EQ(L("　"), "\xA1\xA1");
    EXPECT_EQ(L("ASCII stays"), "ASCII stays");
    EXPECT_EQ(tb::LocalToUtf8("\xB8\xE8"), "歌");
}

TEST(LocalText, KoreanAndEmojiNamesSurviveTheRoundTrip) {
    for (const char* name : {"안녕하세요", "🎵 Song 🎶", "こんにちは", "𠀀 rare", "Ünïcödé"}) {
        const std::string local = Utf8ToLocal(name);
        EXPECT_EQ(local.find('?'), std::string::npos) << name;
        EXPECT_EQ(tb::LocalToUtf8(local), name);
        EXPECT_EQ(tb::Utf16ToLocal(tb::LocalToUtf16(local)), local) << name;
    }
    EXPECT_EQ(L("안녕"), "\x83\x32\xE0\x37\x82\x38\xDA\x30");
    EXPECT_EQ(tb::LocalToUtf16(L("🎵")), std::u16string(u"🎵"));
}

TEST(LocalText, InvalidBytesBecomeQuestionMarks) {
    EXPECT_EQ(Utf8ToLocal("a\xFF"
                          "b"),
              "a?b");
    EXPECT_EQ(Utf8ToLocal("\xE6\x8A"), "??"); // cut-off three-byte character
    EXPECT_EQ(Utf8ToLocal("\xC0\xAF"), "??"); // overlong "/"
    EXPECT_EQ(tb::LocalToUtf8("x\xFF"), "x?");
    EXPECT_EQ(tb::LocalToUtf8("\x81\x20"
                              "ok"),
              "? ok");                             // lead byte without a valid trail
    EXPECT_EQ(tb::LocalToUtf8("end\xB6"), "end?"); // text ends inside a character
    EXPECT_EQ(tb::Utf16ToLocal(std::u16string(1, u'\xD800') + u"a"), "?a");
    EXPECT_EQ(tb::LocalToUtf16("\xFF"
                               "a"),
              u"?a");
    // Any byte pair converts without losing the text after it; a blank cannot continue a
    // character in either encoding.
    for (int first = 0; first < 256; ++first) {
        for (int second = 0; second < 256; second += 17) {
            const std::string bytes{static_cast<char>(first), static_cast<char>(second), ' ', 'Z'};
            EXPECT_TRUE(tb::LocalToUtf8(bytes).ends_with(" Z")) << first << "," << second;
            EXPECT_TRUE(Utf8ToLocal(bytes).ends_with(" Z")) << first << "," << second;
        }
    }
}

TEST(LocalText, CharsetDecodingKnowsHtmlNamesAndRefusesUnknownOnes) {
    EXPECT_EQ(tb::CharsetToLocal("\xC3\xA9t\xC3\xA9", "utf-8"), L("été"));
    EXPECT_EQ(tb::CharsetToLocal("\xB8\xE8", "gb2312"), L("歌"));
    EXPECT_EQ(tb::CharsetToLocal("caf\xE9", "iso-8859-1"), L("café"));
    EXPECT_FALSE(tb::CharsetToLocal("x", "no-such-charset").has_value());
}

TEST(LocalText, EachConversionStartsFromTheCharsetsInitialState) {
    // A page in a stateful charset that ends shifted into JIS X 0208 ("ESC $ B" without the
    // way back): the next page's plain bytes must still read as ASCII, though converters
    // are kept open between conversions.
    EXPECT_EQ(tb::CharsetToLocal("\x1B$B$\"", "iso-2022-jp"), L("あ"));
    EXPECT_EQ(tb::CharsetToLocal("ab", "iso-2022-jp"), "ab");
    // An incomplete character at the end does not spill into the next text.
    EXPECT_EQ(tb::LocalToUtf8("x\xB8"), "x?");
    EXPECT_EQ(tb::LocalToUtf8("\xB8\xE8"), "歌");
}

TEST(LocalText, ChineseFamilyLabelsDecodeEveryLocalCharacter) {
    // A GBK-only character (81 40), a GB2312 one and a four-byte one: pages labelled with
    // the narrower sets hold such characters all the time.
    const std::string mixed = L("丂歌🎵");
    ASSERT_EQ(mixed.substr(0, 2), "\x81\x40");
    for (const char* label : {"gb2312", "GB2312", "GBK", "x-gbk", "GB18030", "csGB2312"}) {
        EXPECT_EQ(tb::CharsetToLocal(mixed, label), mixed) << label;
    }
    EXPECT_FALSE(tb::CharsetToLocal("x", "").has_value());
}

TEST(FindLocal, NeverMatchesOnTheSecondByteOfACharacter) {
    // 謀 is D6 5C: its second byte is a backslash. 華 is C8 41 ("A"), 萢 is C8 61 ("a").
    const std::string path = L("謀\\x");
    EXPECT_EQ(tb::FindLocal(path, "\\"), 2u);
    EXPECT_EQ(tb::FindLocal(L("華萢"), "A"), std::string::npos);
    EXPECT_EQ(tb::FindLocal(L("華萢"), "a", 0, true), std::string::npos);
    EXPECT_EQ(tb::FindLocal(L("華a"), "A", 0, true), 2u);
    // A needle that straddles two characters is not found either.
    EXPECT_EQ(tb::FindLocal("\xB6\xB6\xD2\xF4", "\xB6\xD2"), std::string::npos);
    // Four-byte characters step as two pairs, so the search stays aligned after them.
    EXPECT_EQ(tb::FindLocal(L("안녕Http"), "http", 0, true), 8u);
    // A lead byte before a byte no character has there is a broken byte on its own.
    EXPECT_EQ(tb::FindLocal("\x81/x", "/"), 1u);
    EXPECT_EQ(tb::FindLocal("\xFE:\x81\x30:", ":"), 1u);
    EXPECT_EQ(tb::TrimBlanks("\x81 "), "\x81");
}

TEST(FindLocal, IgnoresCaseOnlyForAsciiLetters) {
    EXPECT_EQ(tb::FindLocal("see HTTP://x", "http", 0, true), 4u);
    EXPECT_EQ(tb::FindLocal("see HTTP://x", "http"), std::string::npos);
    EXPECT_EQ(tb::FindLocal("a.COM", ".com", 0, true), 1u);
    // Different characters whose second bytes differ only in ASCII case stay different.
    EXPECT_EQ(tb::FindLocal(L("x萢"), L("華"), 0, true), std::string::npos);
    EXPECT_EQ(tb::FindLocal(L("x華"), L("華"), 0, true), 1u);
}

TEST(FindLocal, StartPositionAndEdges) {
    EXPECT_EQ(tb::FindLocal("abcabc", "abc", 1), 3u);
    EXPECT_EQ(tb::FindLocal("abc", "abc", 3), std::string::npos);
    EXPECT_EQ(tb::FindLocal("abc", "abc", 99), std::string::npos);
    EXPECT_EQ(tb::FindLocal("abc", ""), std::string::npos);
    EXPECT_EQ(tb::FindLocal("ab", "abc"), std::string::npos);
    EXPECT_TRUE(tb::ContainsLocal(L("我的歌"), L("歌")));
}

TEST(ReplaceAll, ReplacesWholeCharactersOnly) {
    EXPECT_EQ(tb::ReplaceAll("a-b-c", "-", "+"), "a+b+c");
    EXPECT_EQ(tb::ReplaceAll(L("謀\\"), "\\", "/"), L("謀/"));
    EXPECT_EQ(tb::ReplaceAll("aaa", "aa", "b"), "ba");
    EXPECT_EQ(tb::ReplaceAll("abc", "", "x"), "abc");
}

TEST(TextBetween, CutsBetweenMarkers) {
    EXPECT_EQ(tb::TextBetween("var x = [1,2];//end", "var x = ", ";//end"), "[1,2]");
    EXPECT_EQ(tb::TextBetween("<a>1</a><a>2</a>", "<a>", "</a>"), "1");
    EXPECT_EQ(tb::TextBetween("<a>1</a><a>2</a>", "<a>", "</a>", 1), "2");
    EXPECT_EQ(tb::TextBetween("<a></a>", "<a>", "</a>"), "");
    // The right marker is searched only after the end of the left one.
    EXPECT_EQ(tb::TextBetween("x=1;x=2;", "x=", ";"), "1");
    EXPECT_EQ(tb::TextBetween("abab", "ab", "ab"), "");
    EXPECT_EQ(tb::TextBetween("aba", "ab", "a"), "");
}

TEST(TextBetween, MissingMarkersGiveEmptyText) {
    EXPECT_EQ(tb::TextBetween("<a>1", "<a>", "</a>"), "");
    EXPECT_EQ(tb::TextBetween("1</a>", "<a>", "</a>"), "");
    EXPECT_EQ(tb::TextBetween("", "<a>", "</a>"), "");
    EXPECT_EQ(tb::TextBetween("<a>1</a>", "<a>", "</a>", 1), "");
}

TEST(TextBetween, QuoteWordStandsForADoubleQuoteInBothMarkers) {
    const std::string page = R"(<meta name="x" content="hello">)";
    EXPECT_EQ(tb::TextBetween(page, L("content=#引号"), L("#引号>")), "hello");
    EXPECT_EQ(tb::TextBetween(page, L("name=#引号"), L("#引号")), "x");
    // Only markers are rewritten, never the searched text.
    EXPECT_EQ(tb::TextBetween(L("[#引号]"), "[", "]"), L("#引号"));
}

TEST(TextBetween, LetterCaseSwitchAppliesToBothMarkers) {
    const std::string headers = "Set-Cookie: a=1; path=/";
    EXPECT_EQ(tb::TextBetween(headers, "set-cookie:", "; PATH"), "");
    EXPECT_EQ(tb::TextBetween(headers, "set-cookie:", "; PATH", 0, true), " a=1");
    EXPECT_EQ(tb::TextBetween(L("<歌>華萢</歌>"), L("<歌>"), "a", 0, true), "");
}

TEST(Blanks, TrimAndRemoveKnowTheFullWidthSpace) {
    const std::string wide = "\xA1\xA1";
    EXPECT_EQ(tb::TrimBlanks(wide + "  a b " + wide + " "), "a b");
    EXPECT_EQ(tb::TrimBlanks(wide + wide), "");
    EXPECT_EQ(tb::TrimBlanks(""), "");
    EXPECT_EQ(tb::RemoveBlanks(" a" + wide + "b c "), "abc");
    EXPECT_EQ(tb::TrimBlanks("\ta\t"), "\ta\t"); // tabs are not blanks
    // A1 A1 across two characters (second byte A1 then first byte A1) is not a blank.
    const std::string split = "\xB0\xA1\xA1\xB0";
    EXPECT_EQ(tb::TrimBlanks(split), split);
    EXPECT_EQ(tb::RemoveBlanks(split), split);
    EXPECT_EQ(tb::TrimBlanks(" \xB0\xA1"), "\xB0\xA1");
    EXPECT_EQ(tb::TrimBlanks("\xB0\xA1\xA1\xA1"), "\xB0\xA1");
}

TEST(LocalToInt, ReadsFullWidthDigitsSignsAndBlanks) {
    EXPECT_EQ(tb::LocalToInt("245"), 245);
    EXPECT_EQ(tb::LocalToInt("  -17abc"), -17);
    EXPECT_EQ(tb::LocalToInt("+8"), 8);
    EXPECT_EQ(tb::LocalToInt(L("　１２３")), 123);
    EXPECT_EQ(tb::LocalToInt(L("－４５")), -45);
    EXPECT_EQ(tb::LocalToInt(L("＋７")), 7);
    EXPECT_EQ(tb::LocalToInt(L("１2３")), 123);
    EXPECT_EQ(tb::LocalToInt(L("１２歌３")), 12);
    EXPECT_EQ(tb::LocalToInt(""), 0);
    EXPECT_EQ(tb::LocalToInt("abc"), 0);
    EXPECT_EQ(tb::LocalToInt("- 5"), 0);
    EXPECT_EQ(tb::LocalToInt("9223372036854775807"), 9223372036854775807LL);
    EXPECT_EQ(tb::LocalToInt("99999999999999999999999"), 9223372036854775807LL);
    EXPECT_EQ(tb::LocalToInt("-99999999999999999999999"), -9223372036854775807LL);
}

TEST(LocalToDouble, ReadsPlainDecimalsOnly) {
    EXPECT_DOUBLE_EQ(tb::LocalToDouble("3932160"), 3932160.0);
    EXPECT_DOUBLE_EQ(tb::LocalToDouble(" -2.5x"), -2.5);
    EXPECT_DOUBLE_EQ(tb::LocalToDouble("1e3"), 1000.0);
    EXPECT_DOUBLE_EQ(tb::LocalToDouble(L("１.５")), 1.5);
    for (const char* notANumber : {"", "inf", "nan", "-", "x1", "1e999"}) {
        EXPECT_EQ(tb::LocalToDouble(notANumber), 0.0) << notANumber;
    }
    EXPECT_EQ(tb::LocalToDouble("0x1A"), 0.0);
}

TEST(DurationText, WritesMinutesAndSeconds) {
    EXPECT_EQ(tb::DurationText(245), "04:05");
    EXPECT_EQ(tb::DurationText(59), "00:59");
    EXPECT_EQ(tb::DurationText(0), "00:00");
    EXPECT_EQ(tb::DurationText(60), "01:00");
    EXPECT_EQ(tb::DurationText(6005), "100:05");
    EXPECT_EQ(tb::DurationText(600), "10:00");
}

TEST(SizeText, MegabytesUpToAMillionKilobytesThenGigabytes) {
    EXPECT_EQ(tb::SizeText("1000000000"), "953.67M");
    EXPECT_EQ(tb::SizeText("3932160"), "3.75M");
    EXPECT_EQ(tb::SizeText("1073741824"), "1.00G");
    EXPECT_EQ(tb::SizeText("1024"), "0.00M");
    EXPECT_EQ(tb::SizeText("1048576"), "1.00M");
    EXPECT_EQ(tb::SizeText(""), "0.00M");
    EXPECT_EQ(tb::SizeText("512000"), "0.49M");
    EXPECT_EQ(tb::SizeText("1023999999"), "976.56M"); // 999999.99 kilobytes
    EXPECT_EQ(tb::SizeText("1024000000"), "0.95G");   // 1000000 kilobytes
    // A failed free-space query (-1 KB) still gives a text, not a crash.
    EXPECT_EQ(tb::SizeText("-1024"), "-0.00M");
    // Absurd sizes are formatted, not undefined behaviour.
    EXPECT_EQ(tb::SizeText("1e300").back(), 'G');
    EXPECT_EQ(tb::SizeText("-1e300").back(), 'G');
}

// A Qt program runs in the user's locale; sizes must still use a decimal point.
TEST(SizeText, IgnoresTheProcessLocale) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("tb-locale-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::string command =
        "localedef -i de_DE -f UTF-8 '" + (folder / "de_DE.UTF-8").string() + "' >/dev/null 2>&1";
    ::setenv("LOCPATH", folder.c_str(), 1);
    if (std::system(command.c_str()) != 0 || !std::setlocale(LC_ALL, "de_DE.UTF-8")) {
        ::unsetenv("LOCPATH");
        std::filesystem::remove_all(folder);
        GTEST_SKIP() << "no locale with a decimal comma can be built here";
    }
    const std::string size = tb::SizeText("3932160.5");
    const double value = tb::LocalToDouble("2.5");
    std::setlocale(LC_ALL, "C");
    ::unsetenv("LOCPATH");
    std::filesystem::remove_all(folder);
    EXPECT_EQ(size, "3.75M");
    EXPECT_DOUBLE_EQ(value, 2.5);
}

TEST(SafeFileName, ReplacesTheNineReservedCharacters) {
    EXPECT_EQ(tb::SafeFileName("AC/DC: Live?"), "AC_DC_ Live_");
    EXPECT_EQ(tb::SafeFileName(R"(a\b*c"d<e>f|g)"), "a_b_c_d_e_f_g");
    EXPECT_EQ(tb::SafeFileName(" .name. "), " .name. ");
    EXPECT_EQ(tb::SafeFileName("a/b", "--"), "a--b");
    // Second bytes of Chinese characters are not separators: 謀 (D6 5C), 質 (D9 7C).
    EXPECT_EQ(tb::SafeFileName(L("謀質/")), L("謀質_"));
    // After a lead byte that starts no character the separator is still one: the file
    // system would see "?/" once the broken byte is converted.
    const std::string broken = tb::SafeFileName("\x81/..\x82:x\xFE*");
    EXPECT_EQ(broken, "\x81_..\x82_x\xFE_");
    EXPECT_EQ(tb::LocalToUtf8(broken).find('/'), std::string::npos);
}

} // namespace
