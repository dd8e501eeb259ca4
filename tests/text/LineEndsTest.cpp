#include "text/LineEnds.h"

#include <gtest/gtest.h>

namespace tolmix {
namespace {

TEST(BarsToLineBreaks, EveryBarBecomesCrLf) {
    EXPECT_EQ(BarsToLineBreaks("sc|eq"), "sc\r\neq");
    EXPECT_EQ(BarsToLineBreaks("a||b|"), "a\r\n\r\nb\r\n");
    EXPECT_EQ(BarsToLineBreaks("no bars"), "no bars");
    EXPECT_EQ(BarsToLineBreaks("a;b", ';'), "a\r\nb");
}

TEST(NormaliseLineEnds, EveryLineEndBecomesCrLf) {
    EXPECT_EQ(NormaliseLineEnds("a\nb\rc\r\nd\n\re"), "a\r\nb\r\nc\r\nd\r\n\r\ne");
    EXPECT_EQ(NormaliseLineEnds("plain"), "plain");
}

TEST(CountTextLines, BreaksAtEveryLineEnd) {
    EXPECT_EQ(CountTextLines(""), 0);
    EXPECT_EQ(CountTextLines("a"), 1);
    EXPECT_EQ(CountTextLines("a\r\n"), 1);
    EXPECT_EQ(CountTextLines("one\r\ntwo"), 2);
    EXPECT_EQ(CountTextLines("a\nb\n"), 2);
    EXPECT_EQ(CountTextLines("a\rb"), 2);
    EXPECT_EQ(CountTextLines("\r\n\r\n"), 2);
    EXPECT_EQ(CountTextLines("\n\r"), 2);
}

} // namespace
} // namespace tolmix
