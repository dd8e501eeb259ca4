#include "platform/posix/ToolProcess.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace tolmix::posix {

std::optional<std::string> FindTool(const std::string& name) {
    const char* path = std::getenv("PATH");
    if (!path || name.empty() || name.find('/') != std::string::npos)
        return std::nullopt;
    std::string folders(path);
    size_t start = 0;
    while (start <= folders.size()) {
        size_t end = folders.find(':', start);
        if (end == std::string::npos)
            end = folders.size();
        std::string candidate = folders.substr(start, end - start);
        if (!candidate.empty()) {
            candidate += "/" + name;
            struct stat st {};
            if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
                ::access(candidate.c_str(), X_OK) == 0)
                return candidate;
        }
        start = end + 1;
    }
    return std::nullopt;
}

bool ToolExists(const std::string& name) {
    return FindTool(name).has_value();
}

bool StartDetachedTool(const std::vector<std::string>& argv) {
    if (argv.empty())
        return false;
    const std::optional<std::string> program = FindTool(argv[0]);
    if (!program)
        return false;
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const int devNull = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    if (devNull < 0)
        return false;
    // The middle process only starts the tool and ends, so the wait below is for a fork, not
    // for the tool; the tool, an orphan, is reaped by the system.
    const pid_t middle = ::fork();
    if (middle == 0) {
        // Only async-signal-safe calls from here on: the client has other threads.
        if (::fork() == 0) {
            ::setsid();
            // Below the client, whose start it would otherwise slow on a busy machine.
            ::setpriority(PRIO_PROCESS, 0, 19);
            sigset_t none;
            sigemptyset(&none);
            ::sigprocmask(SIG_SETMASK, &none, nullptr);
            ::dup2(devNull, 0);
            ::dup2(devNull, 1);
            ::dup2(devNull, 2);
            ::execve(program->c_str(), args.data(), environ);
            ::_exit(127);
        }
        ::_exit(0);
    }
    ::close(devNull);
    if (middle < 0)
        return false;
    int status = 0;
    while (::waitpid(middle, &status, 0) < 0) {
        if (errno != EINTR)
            return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::optional<std::string> RunTool(const std::vector<std::string>& argv, const std::string& input,
                                   std::chrono::milliseconds limit, size_t maxOutput) {
    if (argv.empty())
        return std::nullopt;
    int in[2], out[2];
    if (::pipe2(in, O_CLOEXEC) != 0)
        return std::nullopt;
    if (::pipe2(out, O_CLOEXEC) != 0) {
        ::close(in[0]), ::close(in[1]);
        return std::nullopt;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    if (maxOutput > 0)
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    else // a copy tool may leave a server running that keeps its output open
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);

    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    const int spawned = ::posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    if (spawned != 0) {
        ::close(in[1]);
        ::close(out[0]);
        return std::nullopt;
    }
    ::fcntl(in[1], F_SETFL, O_NONBLOCK);
    ::fcntl(out[0], F_SETFL, O_NONBLOCK);

    const auto deadline = std::chrono::steady_clock::now() + limit;
    std::string output;
    size_t written = 0;
    bool failed = false;
    int inFd = in[1];
    if (input.empty()) {
        ::close(inFd);
        inFd = -1;
    }
    int outFd = out[0];
    if (maxOutput == 0) {
        ::close(outFd);
        outFd = -1;
    }
    while (outFd >= 0 || inFd >= 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0) {
            failed = true;
            break;
        }
        pollfd fds[2];
        nfds_t count = 0;
        if (outFd >= 0)
            fds[count++] = {outFd, POLLIN, 0};
        if (inFd >= 0)
            fds[count++] = {inFd, POLLOUT, 0};
        if (::poll(fds, count, static_cast<int>(left)) < 0 && errno != EINTR) {
            failed = true;
            break;
        }
        for (nfds_t i = 0; i < count; ++i) {
            if (fds[i].fd == outFd && fds[i].revents) {
                char buffer[8192];
                const ssize_t n = ::read(outFd, buffer, sizeof buffer);
                if (n > 0) {
                    output.append(buffer, static_cast<size_t>(n));
                    if (output.size() > maxOutput) {
                        output.resize(maxOutput);
                        failed = true;
                    }
                } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
                    ::close(outFd);
                    outFd = -1;
                }
            } else if (fds[i].fd == inFd && fds[i].revents) {
                const ssize_t n = ::write(inFd, input.data() + written, input.size() - written);
                if (n > 0)
                    written += static_cast<size_t>(n);
                if ((n < 0 && errno != EAGAIN && errno != EINTR) || written == input.size()) {
                    ::close(inFd);
                    inFd = -1;
                }
            }
        }
        if (failed)
            break;
    }
    if (inFd >= 0)
        ::close(inFd);
    if (outFd >= 0)
        ::close(outFd);
    int status = 0;
    if (failed) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        return std::nullopt;
    }
    // The tool itself ends soon after its pipes close (a selection server it forks lives on).
    for (;;) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid)
            break;
        if (done < 0 && errno != EINTR)
            return std::nullopt;
        if (std::chrono::steady_clock::now() >= deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            return std::nullopt;
        }
        ::usleep(2000);
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return output;
}

} // namespace tolmix::posix
