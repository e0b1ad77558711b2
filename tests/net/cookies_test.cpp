#include "data/local_text.h"
#include "net/cookies.h"

#include <gtest/gtest.h>

namespace tb::net {
namespace {

TEST(MergeCookies, ServerCookiesWinDeletedOnesGoRepeatsAreDropped) {
    EXPECT_EQ(MergeCookies("a=1; b=2; c=3", "b=9; c=deleted"), "b=9; a=1");
    EXPECT_EQ(MergeCookies("a=1", ""), "a=1");
    EXPECT_EQ(MergeCookies("", "x=1"), "x=1");
    EXPECT_EQ(MergeCookies("", ""), "");
    EXPECT_EQ(MergeCookies("a=1; a=2", ""), "a=1") << "the first of two old ones stays";
    EXPECT_EQ(MergeCookies("", "x=1; y=2; x=1"), "x=1; y=2");
    EXPECT_EQ(MergeCookies("flag", "flag=on"), "flag=on") << "an item without = is its name";
    EXPECT_EQ(MergeCookies("a = 1;" + Utf8ToLocal("　") + "b=2;", "c=3"), "c=3; a=1; b=2")
        << "blanks removed, empty items ignored";
    EXPECT_EQ(MergeCookies("a=1", "a=deleted"), "");
}

TEST(ResponseCookies, CollectedFromSetCookieLinesInAnyLetterCase) {
    const std::string block = NormaliseSetCookie(
        "HTTP/1.1 200 OK\r\nset-cookie: a=1; path=/\r\nSET-COOKIE:b=2 \r\nX: y\r\n\r\n");
    EXPECT_EQ(block,
              "HTTP/1.1 200 OK\r\nSet-Cookie: a=1; path=/\r\nSet-Cookie:b=2 \r\nX: y\r\n\r\n");
    std::string cookies;
    AppendResponseCookies(block, cookies);
    EXPECT_EQ(cookies, "a=1; b=2");

    std::string heldBefore = "old=1";
    AppendResponseCookies(block, heldBefore);
    EXPECT_EQ(heldBefore, "old=1; a=1; b=2");

    std::string untouched = "old=1";
    AppendResponseCookies("HTTP/1.1 200 OK\r\n\r\n", untouched);
    EXPECT_EQ(untouched, "old=1") << "nothing received, nothing cut";
}

} // namespace
} // namespace tb::net
