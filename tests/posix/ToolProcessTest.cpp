#include "platform/posix/ToolProcess.h"

#include "e2e/harness/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <thread>

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

// The tool below cannot end before the test writes to its pipe after the start returned: a
// start that waited for it would never return.
TEST(ToolProcess, ADetachedToolRunsOnWithoutTheCallerWaiting) {
    e2e::TempDir dir;
    const std::string fifo = dir.String() + "/fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string out = dir.String() + "/out";
    ASSERT_TRUE(StartDetachedTool({"sh", "-c", "cat \"$0\" > \"$1\"", fifo, out}));
    const int writer = ::open(fifo.c_str(), O_WRONLY);
    ASSERT_GE(writer, 0);
    ASSERT_EQ(::write(writer, "done", 4), 4);
    ::close(writer);
    std::string text;
    for (int i = 0; i < 500 && text != "done"; ++i) {
        std::this_thread::sleep_for(10ms);
        std::ifstream in(out);
        text.assign(std::istreambuf_iterator<char>(in), {});
    }
    EXPECT_EQ(text, "done");
    EXPECT_FALSE(StartDetachedTool({"no-such-tool-here"}));
}

} // namespace
} // namespace tolmix::posix
