#include "platform/posix/DemoWorldProcess.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <vector>

extern char** environ;

namespace tolmix::posix {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::chrono::milliseconds EndGrace{2000};
// What of the world's log a failure repeats: its last words.
constexpr size_t LogTail = 1024;

std::string SystemText(int error) {
    return std::strerror(error);
}

// The end of the world's log, without its last line end.
std::string LogEnd(const std::string& logPath) {
    const int fd = ::open(logPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    const off_t size = ::lseek(fd, 0, SEEK_END);
    const off_t from = size > static_cast<off_t>(LogTail) ? size - static_cast<off_t>(LogTail) : 0;
    std::string text(static_cast<size_t>(size - from), '\0');
    const ssize_t got = size > 0 ? ::pread(fd, text.data(), text.size(), from) : 0;
    ::close(fd);
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

// "port 4000" as the world's first line says it once it listens.
std::optional<uint16_t> PortOfLine(const std::string& line) {
    constexpr std::string_view Prefix = "port ";
    if (line.compare(0, Prefix.size(), Prefix) != 0 || line.size() == Prefix.size() ||
        line.size() > Prefix.size() + 5)
        return std::nullopt;
    unsigned value = 0;
    for (size_t i = Prefix.size(); i < line.size(); ++i) {
        if (line[i] < '0' || line[i] > '9')
            return std::nullopt;
        value = value * 10 + static_cast<unsigned>(line[i] - '0');
    }
    if (value == 0 || value > 65535)
        return std::nullopt;
    return static_cast<uint16_t>(value);
}

// Waits for the child's end, at most `limit`; true when it has ended (it is not reaped).
bool EndsWithin(pid_t pid, std::chrono::milliseconds limit) {
#ifdef SYS_pidfd_open
    const int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    if (pidfd >= 0) {
        pollfd entry{pidfd, POLLIN, 0};
        const Clock::time_point deadline = Clock::now() + limit;
        int ready = 0;
        for (;;) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            ready = ::poll(&entry, 1, static_cast<int>(std::max<int64_t>(left.count(), 0)));
            if (ready >= 0 || errno != EINTR)
                break;
        }
        ::close(pidfd);
        return ready > 0;
    }
#endif
    (void)pid;
    (void)limit;
    return false; // no way to wait with a bound: the caller ends it at once
}

} // namespace

DemoWorldProcess::StartResult DemoWorldProcess::Start(const std::string& program,
                                                      const std::string& logPath,
                                                      std::chrono::milliseconds limit) {
    StartResult result;
    struct stat st {};
    if (::stat(program.c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
        ::access(program.c_str(), X_OK) != 0) {
        const int error = errno != 0 ? errno : ENOENT;
        result.Why = Failure::ProgramMissing;
        result.Reason = program + ": " + SystemText(S_ISDIR(st.st_mode) ? EISDIR : error);
        return result;
    }
    result.Why = Failure::DidNotStart;
    const int log = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (log < 0) {
        result.Reason = logPath + ": " + SystemText(errno);
        return result;
    }
    int output[2];
    if (::pipe2(output, O_CLOEXEC) != 0) {
        result.Reason = "pipe: " + SystemText(errno);
        ::close(log);
        return result;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, output[1], 1);
    posix_spawn_file_actions_adddup2(&actions, log, 2);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGTERM);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGHUP);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    const std::string parent = std::to_string(::getpid());
    std::vector<std::string> args = {program, "--port", "0", "--parent-pid", parent};
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int spawned =
        ::posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    ::close(output[1]);
    ::close(log);
    if (spawned != 0) {
        ::close(output[0]);
        result.Reason = program + ": " + SystemText(spawned);
        return result;
    }

    // Its first line, read until the line end, the end of its output or the deadline.
    std::string line;
    bool ended = false;
    const Clock::time_point deadline = Clock::now() + limit;
    while (line.find('\n') == std::string::npos && !ended && line.size() < 64) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            break;
        pollfd entry{output[0], POLLIN, 0};
        const int ready = ::poll(&entry, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            break;
        char buffer[64];
        const ssize_t got = ::read(output[0], buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            ended = true;
        else
            line.append(buffer, static_cast<size_t>(got));
    }
    const size_t end = line.find('\n');
    const std::optional<uint16_t> port =
        end == std::string::npos ? std::nullopt : PortOfLine(line.substr(0, end));
    if (port) {
        result.World.reset(new DemoWorldProcess(pid, output[0], *port));
        result.Why = Failure::None;
        return result;
    }
    ::close(output[0]);
    // A world that closed its output is ending; one that is still there never said where it
    // listens, and is ended here.
    const bool gone = EndsWithin(pid, ended ? EndGrace : std::chrono::milliseconds(0));
    if (!gone)
        ::kill(pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.Reason = LogEnd(logPath);
    if (result.Reason.empty()) {
        if (!gone)
            result.Reason = "no port within " + std::to_string(limit.count()) + " ms";
        else if (WIFEXITED(status))
            result.Reason = "exit status " + std::to_string(WEXITSTATUS(status));
        else if (WIFSIGNALED(status))
            result.Reason = std::string("ended by signal ") + ::strsignal(WTERMSIG(status));
    }
    return result;
}

std::string MakeDemoFolder(const std::string& stateHome, std::string& failure) {
    const std::filesystem::path folder =
        std::filesystem::path(stateHome) / "tolmix-client" / "demo";
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        failure = folder.string() + ": " + error.message();
        return {};
    }
    return folder.string();
}

bool WriteDemoFile(const std::string& path, std::string_view text, std::string& failure) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (!file.flush()) {
        failure = path + ": " + SystemText(errno);
        return false;
    }
    return true;
}

DemoWorldProcess::~DemoWorldProcess() {
    ::kill(Pid, SIGTERM);
    if (!EndsWithin(Pid, EndGrace))
        ::kill(Pid, SIGKILL);
    int status = 0;
    while (::waitpid(Pid, &status, 0) < 0 && errno == EINTR) {
    }
    ::close(Output);
}

} // namespace tolmix::posix
