#include "macros/RequiredText.h"

#include <gtest/gtest.h>

namespace tolmix {
namespace {

TEST(RequiredText, TheLongestPlainRunThatEveryMatchHolds) {
    EXPECT_EQ(RequiredText("dragon"), "dragon");
    EXPECT_EQ(RequiredText("^(\\w+) drops (\\d+) gold coins?\\.$"), " gold coin");
    EXPECT_EQ(RequiredText("ab+cdef"), "cdef");        // "b" may repeat
    EXPECT_EQ(RequiredText("colou?r blue"), "r blue"); // "u" is optional: "colo" is shorter
    EXPECT_EQ(RequiredText("lo{1,3}ng now"), "ng now");
    EXPECT_EQ(RequiredText("(big )?rat here"), "rat here");
    EXPECT_EQ(RequiredText("[]x]yz"), "yz");
    EXPECT_EQ(RequiredText("[^a]bc"), "bc");
    EXPECT_EQ(RequiredText("a\\.bcd"), "bcd");
    EXPECT_EQ(RequiredText("(?:abc)+def"), "def");
}

TEST(RequiredText, NothingWhereTheReadingCouldBeWrong) {
    for (const char* pattern :
         {"you|me", "(?i)dragon", "(?x) s p a c e", "q\\x41bcdef", "\\Qa.b\\E", "[[:alpha:]]abc",
          "(*UTF)abc", "(?<=x)abc", "abc(", "abc\\", "\\101bcd", "a\\g1bcd"}) {
        EXPECT_EQ(RequiredText(pattern), "") << pattern;
    }
}

} // namespace
} // namespace tolmix
