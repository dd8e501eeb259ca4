#include "e2e/harness/ServerScript.h"

#include <gtest/gtest.h>

namespace tolmix::e2e {
namespace {

TEST(ServerScript, CommandsBecomeStepsThatWaitSendAndClose) {
    const ServerScriptResult r = ParseServerScript("# greeting\n"
                                                   "line Hello\r\n"
                                                   "send Name: \n"
                                                   "\n"
                                                   "expect Bob\\r\\n\n"
                                                   "send \\e[1mHi\\xFF\\xf9\n"
                                                   "close\n"
                                                   "expect quit\n"
                                                   "line gone");
    ASSERT_EQ(r.Error, "");
    ASSERT_EQ(r.Steps.size(), 3u);
    EXPECT_EQ(r.Steps[0].expect, "");
    EXPECT_EQ(r.Steps[0].send, "Hello\r\nName: ");
    EXPECT_FALSE(r.Steps[0].close);
    EXPECT_EQ(r.Steps[1].expect, "Bob\r\n");
    EXPECT_EQ(r.Steps[1].send, "\x1B[1mHi\xFF\xF9");
    EXPECT_TRUE(r.Steps[1].close);
    EXPECT_EQ(r.Steps[2].expect, "quit");
    EXPECT_EQ(r.Steps[2].send, "gone\r\n");
}

TEST(ServerScript, EscapesCoverControlBytesAndMistakesNameTheirLine) {
    std::string bytes;
    ASSERT_TRUE(UnescapeScriptText("a\\0b\\\\\\t\\x80", bytes));
    EXPECT_EQ(bytes, std::string("a\0b\\\t\x80", 6));
    EXPECT_FALSE(UnescapeScriptText("\\x8", bytes));
    EXPECT_FALSE(UnescapeScriptText("\\xG0", bytes));
    EXPECT_FALSE(UnescapeScriptText("end\\", bytes));
    EXPECT_FALSE(UnescapeScriptText("\\q", bytes));

    EXPECT_EQ(ParseServerScript("line ok\nsend \\x1\n").Error, "line 2: bad escape");
    EXPECT_EQ(ParseServerScript("\n\nshout hi\n").Error, "line 3: unknown command \"shout\"");
    EXPECT_EQ(ParseServerScript("expect\n").Error, "line 1: expect needs text");
    EXPECT_TRUE(ParseServerScript("").Steps.empty());
}

} // namespace
} // namespace tolmix::e2e
