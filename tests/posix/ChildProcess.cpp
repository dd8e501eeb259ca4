#include "posix/ChildProcess.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace tolmix::posix::test {

using namespace std::chrono_literals;

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const std::string& errorFile) {
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO,
                                     errorFile.empty() ? "/dev/null" : errorFile.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ) == 0)
        Pid = pid;
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    Output = pipeFds[0];
}

ChildProcess::~ChildProcess() {
    if (Pid > 0 && !Reaped) {
        ::kill(Pid, SIGTERM);
        if (WaitForExit(3s) == -1 && !Reaped) {
            ::kill(Pid, SIGKILL);
            ::waitpid(Pid, &Status, 0);
        }
    }
    if (Output >= 0)
        ::close(Output);
}

bool ChildProcess::Running() {
    if (Pid <= 0 || Reaped)
        return false;
    if (::waitpid(Pid, &Status, WNOHANG) == Pid) {
        Reaped = true;
        return false;
    }
    return true;
}

bool ChildProcess::ReadLine(std::string& line, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const std::size_t end = Pending.find('\n');
        if (end != std::string::npos) {
            line = Pending.substr(0, end);
            Pending.erase(0, end + 1);
            return true;
        }
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0 || Output < 0)
            return false;
        pollfd entry{Output, POLLIN, 0};
        const int ready = ::poll(&entry, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return false;
        char buffer[512];
        const ssize_t n = ::read(Output, buffer, sizeof buffer);
        if (n <= 0)
            return false;
        Pending.append(buffer, static_cast<std::size_t>(n));
    }
}

int ChildProcess::WaitForExit(std::chrono::milliseconds timeout) {
    if (Pid <= 0)
        return -1;
    // A child gives no descriptor to wait on here: look in short steps, a bounded number.
    const auto step = 10ms;
    for (auto waited = 0ms; !Reaped; waited += step) {
        if (::waitpid(Pid, &Status, WNOHANG) == Pid) {
            Reaped = true;
            break;
        }
        if (waited >= timeout)
            return -1;
        std::this_thread::sleep_for(step);
    }
    return WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
}

} // namespace tolmix::posix::test
