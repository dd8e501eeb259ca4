#include "platform/posix/ToolProcess.h"

#include <gtest/gtest.h>

namespace tolmix::posix {
namespace {

using namespace std::chrono_literals;

TEST(ToolProcess, PassesInputThroughAndCollectsOutput) {
    const std::string input(200'000, 'z'); // more than a pipe holds at once
    auto out = RunTool({"cat"}, input, 5s, 1 << 20);
    ASSERT_TRUE(out.has_value());
    EXPECT_EQ(*out, input);
}

TEST(ToolProcess, FailuresGiveNothing) {
    EXPECT_FALSE(RunTool({"false"}, "", 5s, 100).has_value());
    EXPECT_FALSE(RunTool({"no-such-tool-here"}, "", 5s, 100).has_value());
    // Output beyond the bound is refused rather than cut silently.
    EXPECT_FALSE(RunTool({"head", "-c", "5000", "/dev/zero"}, "", 5s, 100).has_value());
}

TEST(ToolProcess, AToolThatHangsIsStoppedAtTheLimit) {
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(RunTool({"sleep", "10"}, "", 200ms, 100).has_value());
    EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
}

TEST(ToolProcess, FindsProgramsOnThePath) {
    EXPECT_TRUE(ToolExists("sh"));
    EXPECT_FALSE(ToolExists("no-such-tool-here"));
}

} // namespace
} // namespace tolmix::posix
