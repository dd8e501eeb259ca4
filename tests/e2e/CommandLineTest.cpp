// The command line of the real program: --help and --version answer without a terminal, and a
// wrong command line or a demo world that cannot start is a message and an exit status, with
// the terminal left as it was.
#include "e2e/harness/Assertions.h"
#include "e2e/harness/PtySession.h"
#include "e2e/harness/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <optional>

namespace tolmix::e2e {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr auto Patience = 5000ms;

struct Finished {
    std::optional<int> Code; // nothing when it had to be killed
    std::string Out;
    std::string Err;
};

// Runs the program with standard input from /dev/null and its output into pipes: no terminal
// anywhere. Killed when it has not finished within the patience.
Finished RunWithoutTerminal(const std::vector<std::string>& args) {
    int out[2];
    int err[2];
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe");
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int devNull = ::open("/dev/null", O_RDONLY);
        ::dup2(devNull, 0);
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        ::setsid(); // no controlling terminal either
        std::vector<char*> argv = {const_cast<char*>(TOLMIX_CLIENT_PATH)};
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(TOLMIX_CLIENT_PATH, argv.data());
        ::_exit(127);
    }
    ::close(out[1]);
    ::close(err[1]);
    Finished result;
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* sinks[2] = {&result.Out, &result.Err};
    const auto deadline = std::chrono::steady_clock::now() + Patience;
    int open = 2;
    while (open > 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || ::poll(fds, 2, static_cast<int>(left.count())) <= 0)
            break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0)
                continue;
            char buffer[4096];
            const ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
            if (got > 0) {
                sinks[i]->append(buffer, static_cast<size_t>(got));
            } else {
                ::close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    const bool killed = open > 0;
    if (killed)
        ::kill(pid, SIGKILL);
    for (const pollfd& fd : fds)
        if (fd.fd >= 0)
            ::close(fd.fd);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!killed && WIFEXITED(status))
        result.Code = WEXITSTATUS(status);
    return result;
}

TEST(CommandLine, HelpAndVersionAnswerWithoutATerminal) {
    const Finished help = RunWithoutTerminal({"--help"});
    EXPECT_EQ(help.Code, 0) << help.Err;
    EXPECT_EQ(help.Err, "");
    // Russian first, then English, each naming the settings file and the options.
    const size_t russian = help.Out.find("Запуск: tolmix-client [ФАЙЛ-НАСТРОЕК]");
    const size_t english = help.Out.find("Usage: tolmix-client [SETTINGS-FILE]");
    ASSERT_NE(russian, std::string::npos) << help.Out;
    ASSERT_NE(english, std::string::npos) << help.Out;
    EXPECT_LT(russian, english);
    for (const char* option : {"--demo", "--version"})
        EXPECT_NE(help.Out.find(option, english), std::string::npos) << option;
    EXPECT_EQ(help.Out.find('\x1b'), std::string::npos) << "no terminal sequences";

    const Finished version = RunWithoutTerminal({"--version"});
    EXPECT_EQ(version.Code, 0) << version.Err;
    EXPECT_EQ(version.Out, std::string("tolmix-client ") + TOLMIX_VERSION + "\n");
}

// A command line that is wrong, in the terminal: the message and the usage, exit status 2,
// and not one byte that would change the terminal.
TEST(CommandLine, AWrongCommandLineIsAMessageAndStatusTwoWithTheTerminalUntouched) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--bogus"}, "unknown option --bogus"},
        {{"--demo", "--demo"}, "--demo given twice"},
        {{"--version", "hero.tcf"}, "--version takes no settings file"},
        {{"--help", "--demo"}, "--help and --demo cannot be given together"},
    };
    for (const auto& [args, message] : cases) {
        SessionOptions options;
        options.args = args;
        PtySession s(options);
        ASSERT_TRUE(ExitsWith(s, 2, Patience)) << message;
        EXPECT_NE(s.Output().find(message), std::string::npos) << s.Output();
        EXPECT_NE(s.Output().find("Usage: tolmix-client"), std::string::npos) << message;
        EXPECT_EQ(s.Output().find('\x1b'), std::string::npos) << message << ": " << s.Output();
        EXPECT_TRUE(TtyRestored(s)) << message;
    }
}

TEST(CommandLine, TheDemoWithoutItsWorldsProgramSaysSoAndLeavesTheTerminalAlone) {
    TempDir dir;
    fs::create_directories(dir.Path() / "bin");
    fs::copy_file(TOLMIX_CLIENT_PATH, dir.Path() / "bin" / "tolmix-client");
    SessionOptions options;
    options.program = (dir.Path() / "bin" / "tolmix-client").string();
    options.args = {"--demo"};
    PtySession s(options);
    ASSERT_TRUE(ExitsWith(s, 1, Patience));
    EXPECT_NE(s.Output().find("the demo world's program is missing: " +
                              (dir.Path() / "bin" / "tolmix-demo-world").string()),
              std::string::npos)
        << s.Output();
    EXPECT_EQ(s.Output().find('\x1b'), std::string::npos) << s.Output();
    EXPECT_TRUE(TtyRestored(s));
}

// In a network namespace of its own whose only local port is taken, the demo world finds no
// free port: the client says why the world did not start.
TEST(CommandLine, TheDemoWithNoFreePortSaysWhyTheWorldDidNotStart) {
    TempDir dir;
    const std::string portFile = (dir.Path() / "taken").string();
    const std::string script =
        "command -v unshare >/dev/null && unshare -n true 2>/dev/null || exit 77\n"
        "exec unshare -n sh -c '"
        "echo \"40000 40000\" >/proc/sys/net/ipv4/ip_local_port_range || exit 77\n" +
        std::string(TOLMIX_DEMO_WORLD_PATH) + " --port 0 --port-file " + portFile +
        " --parent-pid $$ >/dev/null 2>&1 &\n"
        "i=0; while [ ! -s " +
        portFile +
        " ] && [ $i -lt 100 ]; do sleep 0.1; i=$((i+1)); done\n"
        "exec " +
        TOLMIX_CLIENT_PATH + " --demo'\n";
    PtySession s(SessionOptions::Shell(script));
    const std::optional<ExitStatus> status = s.WaitForExit(Patience * 3);
    ASSERT_TRUE(status) << s.Dump();
    if (*status == ExitStatus::Code(77))
        GTEST_SKIP() << "no network namespace of our own here (needs unshare and root)";
    EXPECT_EQ(*status, ExitStatus::Code(1)) << s.Output();
    EXPECT_NE(s.Output().find("the demo world did not start"), std::string::npos) << s.Output();
    EXPECT_NE(s.Output().find("Address already in use"), std::string::npos) << s.Output();
    EXPECT_EQ(s.Output().find('\x1b'), std::string::npos) << s.Output();
    EXPECT_TRUE(TtyRestored(s));
}

} // namespace
} // namespace tolmix::e2e
