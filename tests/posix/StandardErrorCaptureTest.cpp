#include "platform/posix/StandardErrorCapture.h"
#include "e2e/harness/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace tolmix::posix {
namespace {

using e2e::TempDir;

void WriteToStandardError(const std::string& text) {
    ASSERT_EQ(::write(2, text.data(), text.size()), static_cast<ssize_t>(text.size()));
}

// Points descriptor 2 at a file of the test for its lifetime, as the terminal would be.
class StandardErrorFile {
  public:
    explicit StandardErrorFile(const std::string& path) : Saved(::dup(2)) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(fd, 2);
        ::close(fd);
    }
    ~StandardErrorFile() {
        ::dup2(Saved, 2);
        ::close(Saved);
    }

  private:
    int Saved;
};

TEST(StandardErrorCapture, WhatIsWrittenMeanwhileGoesToTheFileAndStandardErrorComesBack) {
    TempDir dir;
    const std::string diagnostics = DiagnosticsFilePath(dir.String() + "/state");
    EXPECT_EQ(diagnostics, dir.String() + "/state/tolmix-client/diagnostics.log");
    {
        StandardErrorFile terminal(dir.String() + "/terminal");
        WriteToStandardError("before\n");
        {
            StandardErrorCapture capture(diagnostics, 1 << 20);
            ASSERT_TRUE(capture.Active());
            WriteToStandardError("ALSA lib confmisc.c: cannot find card '0'\n");
            std::fputs("through stdio\n", stderr);
            std::fflush(stderr);
        }
        WriteToStandardError("after\n");
    }
    EXPECT_EQ(dir.ReadFile("terminal"), "before\nafter\n");
    EXPECT_EQ(dir.ReadFile("state/tolmix-client/diagnostics.log"),
              "ALSA lib confmisc.c: cannot find card '0'\nthrough stdio\n");
}

// A plugin's printf lands in the diagnostics file; the screen is drawn on the descriptor that
// standard output was, and standard output is that again afterwards.
TEST(StandardErrorCapture, StandardOutputJoinsTheFileWhileTheScreenKeepsItsOwnDescriptor) {
    TempDir dir;
    const std::string diagnostics = dir.String() + "/diagnostics.log";
    std::fflush(stdout);
    const int savedOutput = ::dup(1);
    {
        const int fd =
            ::open((dir.String() + "/screen").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(fd, 1);
        ::close(fd);
    }
    {
        StandardErrorFile terminal(dir.String() + "/terminal");
        StandardErrorCapture capture(diagnostics, 1 << 20);
        const int screen = capture.CaptureStandardOutput();
        ASSERT_NE(screen, 1);
        EXPECT_EQ(capture.CaptureStandardOutput(), screen) << "asked twice, one descriptor";
        std::printf("printed by a plugin\n");
        std::fflush(stdout);
        ASSERT_EQ(::write(screen, "frame", 5), 5);
    }
    std::printf("after\n");
    std::fflush(stdout);
    ::dup2(savedOutput, 1);
    ::close(savedOutput);
    EXPECT_EQ(dir.ReadFile("diagnostics.log"), "printed by a plugin\n");
    EXPECT_EQ(dir.ReadFile("screen"), "frameafter\n");
    EXPECT_TRUE(dir.ReadFile("terminal").empty());
}

TEST(StandardErrorCapture, TheFileStaysWithinItsBoundAndALargeOldFileStartsAfresh) {
    TempDir dir;
    const std::string diagnostics = dir.String() + "/diagnostics.log";
    dir.WriteFile("diagnostics.log", std::string(800, 'o'));
    {
        StandardErrorFile terminal(dir.String() + "/terminal");
        StandardErrorCapture capture(diagnostics, 1000);
        for (int i = 0; i < 100; ++i)
            WriteToStandardError(std::string(99, 'x') + "\n");
    }
    const std::string kept = dir.ReadFile("diagnostics.log");
    EXPECT_EQ(kept.find("ooo"), std::string::npos);
    EXPECT_EQ(kept.substr(0, 99), std::string(99, 'x'));
    EXPECT_LE(kept.size(), 1000u + 100u);
    EXPECT_NE(kept.find("dropped"), std::string::npos);
    EXPECT_TRUE(dir.ReadFile("terminal").empty());
}

TEST(StandardErrorCapture, NoFileMeansDroppedAndAChildHoldingThePipeDoesNotHoldTheEnd) {
    TempDir dir;
    StandardErrorFile terminal(dir.String() + "/terminal");
    pid_t child = -1;
    const auto start = std::chrono::steady_clock::now();
    {
        StandardErrorCapture capture("", 1000);
        WriteToStandardError("lost\n");
        // A helper program that outlives the capture keeps descriptor 2 open.
        child = ::fork();
        if (child == 0) {
            ::execl("/bin/sleep", "sleep", "20", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ASSERT_GT(child, 0);
    }
    const auto elapsed = std::chrono::steady_clock::now() - start;
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_LT(elapsed, std::chrono::seconds(10));
    EXPECT_TRUE(dir.ReadFile("terminal").empty());
}

} // namespace
} // namespace tolmix::posix
