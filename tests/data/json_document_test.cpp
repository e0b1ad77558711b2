#include "data/json_document.h"
#include "data/local_text.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

using tb::JsonDocument;

std::string L(const char* utf8) {
    return tb::Utf8ToLocal(utf8);
}

std::vector<std::string> namesAt(const JsonDocument& document, const std::string& path) {
    std::vector<std::string> names{"left over"};
    const int count = document.MemberNames(path, names);
    EXPECT_EQ(count, static_cast<int>(names.size()));
    return names;
}

using Names = std::vector<std::string>;

TEST(JsonDocument, ReadsASearchReplyByDottedAndIndexedPaths) {
    JsonDocument reply;
    ASSERT_TRUE(
        reply.Parse(R"({"status":1,"data":{"lists":[{"FileName":"A","FileSize":3932160}]}})"));
    EXPECT_EQ(namesAt(reply, "data.lists"), Names{"0"});
    EXPECT_EQ(reply.GetText("data.lists[0].FileName"), "A");
    EXPECT_EQ(reply.GetText("data.lists[0].FileSize"), "3932160");
    EXPECT_EQ(reply.GetText("data.lists[1].FileName"), "");
    EXPECT_EQ(reply.GetText("status"), "1");
    EXPECT_EQ(namesAt(reply, ""), (Names{"status", "data"}));
}

TEST(JsonDocument, ReadsAShareArrayByPathsThatStartWithABracket) {
    JsonDocument share;
    ASSERT_TRUE(share.Parse(L(
        R"([{"hash":"H0","song_name":"第一"},{"hash":"H1","song_name":"第二","album_id":"7"}])")));
    EXPECT_EQ(namesAt(share, ""), (Names{"0", "1"}));
    EXPECT_EQ(share.GetText("[1]['song_name']"), L("第二"));
    EXPECT_EQ(share.GetText("[1][\"song_name\"]"), L("第二"));
    EXPECT_EQ(share.GetText("[0].hash"), "H0");
    EXPECT_EQ(share.GetText("[1]['album_id']"), "7");
    EXPECT_EQ(share.GetText("[ 1 ][ 'hash' ]"), "H1");
    EXPECT_EQ(share.Count(""), 2);
}

// The one-pass reading a long reply uses must give what the paths give, element by element.
TEST(JsonDocument, ElementTextsOfAnArrayOrObjectAreThoseOfTheirPaths) {
    JsonDocument reply;
    ASSERT_TRUE(reply.Parse(L(R"({"a":[{"n":"第一","s":12345678901234,"d":2.5},)"
                              R"({"n":null,"s":-7,"x":[1,{"y":true}]},"text",)"
                              R"({"s":9999999999999,"d":1e999}],)"
                              R"("o":{"k0":{"n":"v"},"k1":3}})")));
    const std::vector<std::string> tails = {".n", ".s", "['d']", ".x", ".x[1].y", ""};
    for (const std::string path : {"a", "o", "", "a[0]", "missing", "a[0].n"}) {
        std::vector<std::vector<std::string>> read;
        const int handed =
            reply.ReadElementTexts(path, tails, [&](std::vector<std::string>& texts) {
                read.push_back(texts);
                return true;
            });
        EXPECT_EQ(handed, static_cast<int>(read.size()));
        EXPECT_EQ(handed, reply.Count(path)) << path;
        for (int k = 0; k < handed; ++k) {
            for (std::size_t i = 0; i < tails.size(); ++i) {
                EXPECT_EQ(read[k][i],
                          reply.GetText(path + "[" + std::to_string(k) + "]" + tails[i]))
                    << path << "[" << k << "]" << tails[i];
            }
        }
    }
    // The reader can stop early.
    EXPECT_EQ(reply.ReadElementTexts("a", tails, [](std::vector<std::string>&) { return false; }),
              1);
    EXPECT_EQ(reply.GetText("a[0].s"), "1.234567890123e+13");
    EXPECT_EQ(reply.GetText("a[3].s"), "9999999999999");
}

// A long text parsed in slices, with a call between them, is the same document; a text cut
// short still fails.
TEST(JsonDocument, ParseInSlicesGivesTheSameDocument) {
    std::string text = "{\"lists\":[";
    for (int k = 0; k < 50000; ++k) {
        text += (k ? "," : "") + std::string(R"({"FileName":"song \u00e9 )") + std::to_string(k) +
                R"(","FileSize":)" + std::to_string(k * 1000003LL) + "}";
    }
    text += "]}";
    ASSERT_GT(text.size(), std::size_t{2} << 20);
    JsonDocument whole;
    ASSERT_TRUE(whole.ParseUtf8(text));
    JsonDocument sliced;
    int calls = 0;
    ASSERT_TRUE(sliced.ParseUtf8(text, [&calls] { ++calls; }));
    EXPECT_GE(calls, 2);
    EXPECT_EQ(sliced.ToJson(), whole.ToJson());
    EXPECT_FALSE(sliced.ParseUtf8(text.substr(0, text.size() - 1), [] {}));
    EXPECT_FALSE(sliced.ParseUtf8(text + " x", [] {}));
}

TEST(JsonDocument, ParseIsTrueForEveryValueButNull) {
    JsonDocument document;
    for (const char* text : {"0", "\"\"", "[]", "{}", "false", " [1] "}) {
        EXPECT_TRUE(document.Parse(text)) << text;
    }
    for (const char* text :
         {"", "null", " null ", "{", "[1,]", "{'a':1}", "{a:1}", "[1] x", "//"}) {
        EXPECT_FALSE(document.Parse(text)) << text;
        EXPECT_EQ(document.TypeOf(""), JsonDocument::kTypeNull) << text;
        EXPECT_EQ(document.ToJson(), "null") << text;
        EXPECT_EQ(document.Count(""), 0) << text;
        EXPECT_EQ(document.GetText("data"), "") << text;
    }
}

TEST(JsonDocument, TypeCodesFollowTheValueAtThePath) {
    JsonDocument document;
    ASSERT_TRUE(
        document.Parse(R"({"data":{"lists":[],"n":2.5,"s":"x","b":true,"z":null},"t":"text"})"));
    EXPECT_EQ(document.TypeOf("data.lists"), JsonDocument::kTypeArray);
    EXPECT_EQ(document.TypeOf("data"), JsonDocument::kTypeObject);
    EXPECT_EQ(document.TypeOf("data.n"), JsonDocument::kTypeNumber);
    EXPECT_EQ(document.TypeOf("data.s"), JsonDocument::kTypeString);
    EXPECT_EQ(document.TypeOf("data.b"), JsonDocument::kTypeBoolean);
    EXPECT_EQ(document.TypeOf("data.z"), JsonDocument::kTypeNull);
    EXPECT_EQ(document.TypeOf("data.missing"), JsonDocument::kTypeNull);
    EXPECT_EQ(document.TypeOf(""), JsonDocument::kTypeObject);
    // A member of a string is missing; a member below a missing or null value, or a path
    // with bad syntax, cannot be evaluated.
    EXPECT_EQ(document.TypeOf("t.length"), JsonDocument::kTypeNull);
    EXPECT_EQ(document.TypeOf("data.missing.deeper"), JsonDocument::kTypeInvalid);
    EXPECT_EQ(document.TypeOf("data.z.deeper"), JsonDocument::kTypeInvalid);
    for (const char* bad : {"data.", ".data", "data..n", "data[", "data[x]", "data['n'", "data[0",
                            "data lists", "1data", "data[\"n']", "data]"}) {
        EXPECT_EQ(document.TypeOf(bad), JsonDocument::kTypeInvalid) << bad;
        EXPECT_EQ(document.GetText(bad), "") << bad;
        EXPECT_FALSE(document.Exists(bad)) << bad;
        EXPECT_EQ(document.Count(bad), 0) << bad;
    }
}

TEST(JsonDocument, NumbersReadAsThirteenSignificantDigits) {
    JsonDocument document;
    ASSERT_TRUE(document.Parse(R"([245, 3932160, 3.5, -0.25, 1e13, 12345678901234, 9999999999999,
        123456789012345678901234567890, 18446744073709551615, 1e400, 0.1])"));
    const char* expected[] = {"245",
                              "3932160",
                              "3.5",
                              "-0.25",
                              "1e+13",
                              "1.234567890123e+13",
                              "9999999999999",
                              "1.234567890123e+29",
                              "1.844674407371e+19",
                              "inf",
                              "0.1"};
    for (int i = 0; i < 11; ++i) {
        EXPECT_EQ(document.GetElementText(i), expected[i]) << i;
        EXPECT_EQ(document.GetText("[" + std::to_string(i) + "]"), expected[i]) << i;
    }
    // JSON output writes numbers the way a script engine does; infinity has no JSON form.
    EXPECT_EQ(document.ToJson(), "[245,3932160,3.5,-0.25,10000000000000,12345678901234,"
                                 "9999999999999,1.2345678901234568e+29,18446744073709551615,"
                                 "null,0.1]");
    EXPECT_DOUBLE_EQ(document.GetNumber("[2]"), 3.5);
}

TEST(JsonDocument, TextsTravelAsLocalTextBothWays) {
    JsonDocument document;
    const std::string reply =
        L(R"({"歌名":"晴天 🎵","data":{"play_url":"http://h/a.mp3"},"esc":"\u4e2d\"\\\n"})");
    ASSERT_TRUE(document.Parse(reply));
    EXPECT_EQ(document.GetText(L("歌名")), L("晴天 🎵"));
    EXPECT_EQ(document.GetText(L("['歌名']")), L("晴天 🎵"));
    EXPECT_EQ(document.GetText("data['play_url']"), "http://h/a.mp3");
    EXPECT_EQ(document.GetText("esc"), L("中\"\\\n"));
    EXPECT_EQ(namesAt(document, "")[0], L("歌名"));
    EXPECT_EQ(document.ToJson(),
              L(R"({"歌名":"晴天 🎵","data":{"play_url":"http://h/a.mp3"},"esc":"中\"\\\n"})"));
    document.SetValue(L("新"), L("值"));
    EXPECT_EQ(document.GetText(L("新")), L("值"));
    // A byte that is not local text arrives as "?" instead of failing the whole parse.
    EXPECT_TRUE(document.Parse("[\"a\x80z\"]"));
    EXPECT_EQ(document.GetText("[0]"), "a?z");
}

TEST(JsonDocument, LoneSurrogateEscapesReadAsQuestionMarks) {
    JsonDocument document;
    ASSERT_TRUE(
        document.Parse(R"(["a\uD800b", "\uD83D\uDE00", "\\uD800", "\uDC00\uD800", "x\"\uDBFF"])"));
    EXPECT_EQ(document.GetText("[0]"), "a?b");
    EXPECT_EQ(document.GetText("[1]"), L("😀"));
    EXPECT_EQ(document.GetText("[2]"), "\\uD800");
    EXPECT_EQ(document.GetText("[3]"), "??");
    EXPECT_EQ(document.GetText("[4]"), "x\"?");
    EXPECT_FALSE(document.Parse(R"(["\uD800)"));
}

TEST(JsonDocument, NumbersOfAnyExponentReadAsInfinityOrZero) {
    // Each huge exponent reads exactly as the same mantissa with e999 or e-999 does.
    const struct {
        const char* huge;
        const char* small;
        const char* text;
    } cases[] = {
        {"1e+99999999999999999999", "1e999", "inf"},
        {"-2.5E99999999999", "-2.5E999", "-inf"},
        {"0.1e-99999999999", "0.1e-999", "0"},
        {"-7e-2147483648", "-7e-999", "-0"},
        {"0e99999999999", "0e999", "0"},
        {"-0.0e+99999999999", "-0.0e999", "-0"},
        {"0.4e00669999999999999999999999999999999999969999999006", "0.4e999", "inf"},
    };
    for (const auto& item : cases) {
        SCOPED_TRACE(item.huge);
        JsonDocument huge;
        JsonDocument small;
        ASSERT_TRUE(huge.Parse(std::string("[") + item.huge + "]"));
        ASSERT_TRUE(small.Parse(std::string("[") + item.small + "]"));
        EXPECT_EQ(huge.GetText("[0]"), item.text);
        EXPECT_EQ(small.GetText("[0]"), item.text);
        EXPECT_EQ(huge.TypeOf("[0]"), JsonDocument::kTypeNumber);
        EXPECT_EQ(huge.ToJson(), small.ToJson());
    }
    // Leading zeros do not make an exponent large; neither does a string that looks like one.
    JsonDocument document;
    ASSERT_TRUE(
        document.Parse(R"({"n":1E000000000000000000005,"s":"1e99999999999","x":2e99999999999})"));
    EXPECT_EQ(document.GetText("n"), "100000");
    EXPECT_EQ(document.GetText("s"), "1e99999999999");
    EXPECT_EQ(document.GetText("x"), "inf");
    // A lone surrogate and a huge exponent in one text are both repaired.
    ASSERT_TRUE(document.Parse(R"(["\uD800", 1e99999999999])"));
    EXPECT_EQ(document.GetText("[0]"), "?");
    EXPECT_EQ(document.GetText("[1]"), "inf");
    // Repair never makes bad JSON good.
    for (const char* bad : {"[1e]", "[1e+]", "[.1e99999999999]", "[1e99999999999", "[01e5]"}) {
        EXPECT_FALSE(document.Parse(bad)) << bad;
    }
}

TEST(JsonDocument, LongNumbersReadAsTheNearestDoubleAndWriteBackAsThemselves) {
    const std::string digits = "1000" + std::string(46, '4') + "1";
    for (const std::string& text :
         std::vector<std::string>{digits, "-" + digits, "0." + digits + "e-20",
                                  "9007199254740993.0", "2.2250738585072011e-308"}) {
        SCOPED_TRACE(text);
        JsonDocument document;
        ASSERT_TRUE(document.Parse("[" + text + "]"));
        EXPECT_EQ(document.GetNumber("[0]"), std::strtod(text.c_str(), nullptr));
        const std::string written = document.ToJson();
        ASSERT_TRUE(document.Parse(written));
        EXPECT_EQ(document.ToJson(), written);
    }
}

TEST(JsonDocument, OneHugeNumberDoesNotCostTheOtherRowsOfAReply) {
    JsonDocument reply;
    ASSERT_TRUE(
        reply.Parse(R"({"data":{"lists":[{"FileName":"A","FileSize":1e+99999999999999999999},
        {"FileName":"B","FileSize":3932160}]}})"));
    EXPECT_EQ(namesAt(reply, "data.lists"), (Names{"0", "1"}));
    EXPECT_EQ(reply.GetText("data.lists[0].FileSize"), "inf");
    EXPECT_EQ(reply.GetText("data.lists[1].FileName"), "B");
}

TEST(JsonDocument, AByteOrderMarkBeforeTheValueIsSkipped) {
    const std::string bom = "\xEF\xBB\xBF";
    JsonDocument document;
    ASSERT_TRUE(document.ParseUtf8(bom + R"({"a":"x"})"));
    EXPECT_EQ(document.GetText("a"), "x");
    // Through the local-text entry the mark is the four-byte character of U+FEFF.
    ASSERT_TRUE(document.Parse(tb::Utf8ToLocal(bom + R"( {"a":"y"})")));
    EXPECT_EQ(document.GetText("a"), "y");
    ASSERT_TRUE(document.Parse(tb::Utf8ToLocal(R"(["a)" + bom + R"(b"])")));
    EXPECT_EQ(tb::LocalToUtf8(document.GetText("[0]")), "a" + bom + "b");
    // Only one mark, only before the value, and never instead of one.
    for (const std::string& bad :
         {bom, bom + bom + "{}", " " + bom + "{}", "{}" + bom, std::string("\xEF\xBB{}")}) {
        EXPECT_FALSE(document.ParseUtf8(bad)) << bad;
    }
}

TEST(JsonDocument, DuplicateKeysKeepTheFirstPlaceAndTheLastValue) {
    JsonDocument document;
    ASSERT_TRUE(document.Parse(R"({"a":1,"b":2,"a":3})"));
    EXPECT_EQ(document.ToJson(), R"({"a":3,"b":2})");
    EXPECT_EQ(document.Count(""), 2);
}

TEST(JsonDocument, ParseStartsAFreshRootThatCopiesDoNotFollow) {
    JsonDocument document;
    ASSERT_TRUE(document.Parse(R"({"a":1})"));
    JsonDocument copy = document.Copy();
    document.SetNumber("b", 2);
    EXPECT_EQ(copy.GetText("b"), "2"); // same root
    EXPECT_TRUE(document.Parse(R"({"c":3})"));
    EXPECT_EQ(document.GetText("a"), "");
    EXPECT_EQ(copy.ToJson(), R"({"a":1,"b":2})");
    document.Destroy();
    EXPECT_FALSE(document.Parse("[1]"));
    EXPECT_EQ(document.ToJson(), "");
    EXPECT_EQ(document.TypeOf(""), JsonDocument::kTypeInvalid);
    EXPECT_EQ(copy.GetText("a"), "1");
    document.Create();
    EXPECT_EQ(document.ToJson(), "{}");
}

TEST(JsonDocument, SettersStoreStringsValuesAndNumbers) {
    JsonDocument document;
    document.SetValue("name", "x");
    document.SetValue("obj", "", true);
    document.SetValue("list", "[1,2]", true);
    document.SetJson("obj.inner", R"({"k":true})");
    document.SetNumber("n", 2.5);
    document.SetValue("name", "y"); // keeps its place
    document.SetJson("list[1]", "\"two\"");
    document.SetJson("list[3]", "4");
    EXPECT_EQ(document.ToJson(),
              R"({"name":"y","obj":{"inner":{"k":true}},"list":[1,"two",null,4],"n":2.5})");
    // Nothing is stored below a missing value, from invalid JSON or far past an array's end.
    document.SetValue("missing.deeper", "x");
    document.SetJson("bad", "{");
    document.SetJson("empty", "");
    document.SetJson("list[99999999]", "1");
    EXPECT_EQ(document.Count(""), 4);
    EXPECT_EQ(document.Count("list"), 4);
    EXPECT_EQ(document.GetJson("obj"), R"({"inner":{"k":true}})");
    EXPECT_EQ(document.GetJson("missing"), "");
    EXPECT_EQ(document.GetText("obj.inner.k"), "true");
    EXPECT_EQ(document.GetText("obj", true), R"({"inner":{"k":true}})");
    EXPECT_DOUBLE_EQ(document.GetNumber("n"), 2.5);
    EXPECT_DOUBLE_EQ(document.GetNumber("list[1]"), 0);
    document.SetValue("numeric", "42");
    EXPECT_DOUBLE_EQ(document.GetNumber("numeric"), 42);
    EXPECT_TRUE(document.Exists("list[2]") == false && document.Exists("list[3]"));
}

TEST(JsonDocument, ArrayOperationsAppendReplaceAndRemove) {
    JsonDocument document;
    document.ResetAs(JsonDocument::kTypeArray);
    document.Append("x");
    EXPECT_EQ(document.ToJson(), R"(["x"])");
    document.Append(R"({"k":1})", "", true);
    document.Append("not json {", "", true);
    document.SetRootElement(0, "y");
    document.SetRootElement(2, "[3]", true);
    EXPECT_EQ(document.ToJson(), R"(["y",{"k":1},[3]])");
    EXPECT_EQ(document.GetElementText(1, "", true), R"({"k":1})");
    EXPECT_EQ(document.GetElementText(0), "y");
    EXPECT_EQ(document.GetElementText(3), "");
    EXPECT_EQ(document.GetElementText(-1), "");
    document.RemoveRootElement(0);
    document.RemoveRootElement(5);
    EXPECT_EQ(document.ToJson(), R"([{"k":1},[3]])");

    ASSERT_TRUE(document.Parse(R"({"data":{"lists":[1,2,3],"s":"t"}})"));
    document.RemoveElement("data.lists[1]");
    document.RemoveElement("data.lists[7]");
    document.RemoveElement("data.s[0]");
    EXPECT_EQ(document.GetJson("data"), R"({"lists":[1,3],"s":"t"})");
    document.Append("z", "data.s"); // not an array: becomes one
    document.Append("w", "data.new");
    EXPECT_EQ(document.GetJson("data"), R"({"lists":[1,3],"s":["z"],"new":["w"]})");
    document.Append("v", "nothing.here");
    EXPECT_FALSE(document.Exists("nothing"));
}

TEST(JsonDocument, DocumentsTakenFromAPathAreIndependentCopies) {
    JsonDocument document;
    ASSERT_TRUE(document.Parse(R"({"data":{"lists":[{"a":1},{"a":2}]}})"));
    JsonDocument lists = document.GetDocument("data.lists");
    JsonDocument second = document.GetElementDocument(1, "data.lists");
    EXPECT_EQ(lists.Count(""), 2);
    EXPECT_EQ(second.GetText("a"), "2");
    second.SetNumber("a", 5);
    EXPECT_EQ(document.GetText("data.lists[1].a"), "2");
    EXPECT_EQ(document.GetDocument("missing").TypeOf(""), JsonDocument::kTypeNull);
    EXPECT_EQ(document.GetElementDocument(9, "data.lists").ToJson(), "null");
}

TEST(JsonDocument, RootResetsAndReplacements) {
    JsonDocument document;
    ASSERT_TRUE(document.Parse("[1,2]"));
    document.ResetAs(3); // no such code: nothing happens
    EXPECT_EQ(document.ToJson(), "[1,2]");
    document.ResetAs(JsonDocument::kTypeNull);
    EXPECT_EQ(document.ToJson(), "{}");
    EXPECT_TRUE(document.SetRoot("plain"));
    EXPECT_EQ(document.ToJson(), R"("plain")");
    EXPECT_EQ(document.GetText(""), "plain");
    EXPECT_TRUE(document.SetRoot("[true]", true));
    EXPECT_EQ(document.TypeOf(""), JsonDocument::kTypeArray);
    EXPECT_FALSE(document.SetRoot("[", true));
    EXPECT_EQ(document.ToJson(), "[true]");
    document.Reset();
    EXPECT_EQ(document.ToJson(), "{}");
    EXPECT_EQ(namesAt(document, ""), Names{});
    EXPECT_EQ(namesAt(document, "missing"), Names{});
}

TEST(JsonDocument, MemberNamesOfObjectsKeepTheirDefinitionOrder) {
    JsonDocument document;
    ASSERT_TRUE(document.Parse(R"({"z":1,"a":{"y":1,"b":2,"x":3},"s":"t","e":[],"n":5})"));
    EXPECT_EQ(namesAt(document, "a"), (Names{"y", "b", "x"}));
    EXPECT_EQ(namesAt(document, "s"), Names{});
    EXPECT_EQ(namesAt(document, "e"), Names{});
    EXPECT_EQ(namesAt(document, "n"), Names{});
    EXPECT_EQ(document.Count("a"), 3);
    // A digit member of an object and a digit name on an array both work.
    ASSERT_TRUE(document.Parse(R"({"o":{"0":"zero"},"a":["first"]})"));
    EXPECT_EQ(document.GetText("o[0]"), "zero");
    EXPECT_EQ(document.GetText("a['0']"), "first");
    EXPECT_EQ(document.GetText("a['00']"), "");
}

TEST(JsonDocument, DeepNestingIsRefusedOrHandledWithoutRecursion) {
    JsonDocument document;
    EXPECT_FALSE(document.Parse(std::string(100000, '[')));
    EXPECT_FALSE(document.Parse(std::string(100000, '[') + std::string(100000, ']')));
    const int depth = JsonDocument::kMaxDepth;
    const std::string deep = std::string(depth, '[') + std::string(depth, ']');
    ASSERT_TRUE(document.Parse(deep));
    EXPECT_EQ(document.ToJson(), deep);
    EXPECT_EQ(document.GetDocument("").ToJson(), deep);
    EXPECT_EQ(document.TypeOf("[0][0][0]"), JsonDocument::kTypeArray);
    // Editing may nest deeper than parsing allows; writing and releasing stay safe.
    document.SetJson("[0]", deep);
    EXPECT_EQ(document.ToJson(), "[" + deep + "]");
    EXPECT_EQ(document.GetDocument("").TypeOf(""), JsonDocument::kTypeNull);
}

} // namespace
