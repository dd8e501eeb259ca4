#include "e2e/harness/PtySession.h"

#include "e2e/harness/OutputTokens.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utmp.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace tolmix::e2e {

namespace {

using Clock = std::chrono::steady_clock;

constexpr milliseconds kSendTimeout{2000};
constexpr milliseconds kConditionRecheck{10};
constexpr milliseconds kTermGrace{300};
constexpr milliseconds kLastOutputWait{500};

// Variables of the test's own run that the program should see too.
constexpr const char* kPassedThrough[] = {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS",
                                          "TSAN_OPTIONS"};

milliseconds Remaining(Clock::time_point deadline) {
    const auto left = deadline - Clock::now();
    return left <= Clock::duration::zero() ? milliseconds{0}
                                           : std::chrono::ceil<milliseconds>(left);
}

int PollMs(milliseconds timeout) {
    return static_cast<int>(std::min<milliseconds::rep>(timeout.count(), 60'000));
}

std::vector<std::string> BuildEnvironment(const SessionOptions& options,
                                          const std::filesystem::path& home) {
    std::vector<std::pair<std::string, std::string>> env = {
        {"TERM", "xterm-256color"},
        {"LANG", "C.UTF-8"},
        {"LC_ALL", "C.UTF-8"},
        {"HOME", home.string()},
    };
    const char* path = std::getenv("PATH");
    env.emplace_back("PATH", path && *path ? path : "/usr/local/bin:/usr/bin:/bin");
    for (const char* name : kPassedThrough)
        if (const char* value = std::getenv(name))
            env.emplace_back(name, value);
    for (const auto& [name, value] : options.env) {
        auto same = [&](const auto& entry) { return entry.first == name; };
        std::erase_if(env, same);
        env.emplace_back(name, value);
    }
    for (const auto& name : options.unsetEnv)
        std::erase_if(env, [&](const auto& entry) { return entry.first == name; });
    std::vector<std::string> out;
    for (const auto& [name, value] : env)
        out.push_back(name + "=" + value);
    return out;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (auto& s : strings)
        pointers.push_back(s.data());
    pointers.push_back(nullptr);
    return pointers;
}

// What the child reports through the pipe when it cannot start the program.
struct StartFailure {
    int stage; // 1: working directory, 2: exec
    int error;
};

[[noreturn]] void RunChild(int master, int slave, int report, const char* cwd, char* const* argv,
                           char* const* envp) {
    close(master);
    if (login_tty(slave) != 0)
        _exit(126);
    // The test process may ignore or block signals the program relies on.
    sigset_t all;
    sigfillset(&all);
    sigprocmask(SIG_UNBLOCK, &all, nullptr);
    for (int sig = 1; sig < NSIG; ++sig)
        signal(sig, SIG_DFL);
    // Only stdin, stdout and stderr are the program's; the report pipe closes on exec.
    for (int fd = 3; fd < 1024; ++fd)
        fcntl(fd, F_SETFD, FD_CLOEXEC);
    StartFailure failure{1, 0};
    if (chdir(cwd) == 0) {
        execve(argv[0], argv, envp);
        failure.stage = 2;
    }
    failure.error = errno;
    [[maybe_unused]] auto written = write(report, &failure, sizeof failure);
    _exit(127);
}

struct FlagName {
    tcflag_t termios::*field;
    tcflag_t bit;
    const char* name;
};

constexpr FlagName kFlags[] = {
    {&termios::c_lflag, ICANON, "ICANON"}, {&termios::c_lflag, ECHO, "ECHO"},
    {&termios::c_lflag, ECHOE, "ECHOE"},   {&termios::c_lflag, ECHOK, "ECHOK"},
    {&termios::c_lflag, ECHONL, "ECHONL"}, {&termios::c_lflag, ISIG, "ISIG"},
    {&termios::c_lflag, IEXTEN, "IEXTEN"}, {&termios::c_iflag, ICRNL, "ICRNL"},
    {&termios::c_iflag, IXON, "IXON"},     {&termios::c_iflag, IXOFF, "IXOFF"},
    {&termios::c_iflag, INLCR, "INLCR"},   {&termios::c_iflag, IGNCR, "IGNCR"},
    {&termios::c_iflag, BRKINT, "BRKINT"}, {&termios::c_iflag, ISTRIP, "ISTRIP"},
    {&termios::c_iflag, IUTF8, "IUTF8"},   {&termios::c_oflag, OPOST, "OPOST"},
    {&termios::c_oflag, ONLCR, "ONLCR"},   {&termios::c_cflag, PARENB, "PARENB"},
};

} // namespace

SessionOptions SessionOptions::Shell(std::string script, int columns, int rows) {
    SessionOptions options;
    options.program = "/bin/sh";
    options.args = {"-c", std::move(script)};
    options.columns = columns;
    options.rows = rows;
    return options;
}

std::string ExitStatus::Describe() const {
    if (signal != 0) {
        const char* name = strsignal(signal);
        return "signal " + std::to_string(signal) + (name ? std::string(" (") + name + ")" : "");
    }
    return "exit code " + std::to_string(code);
}

std::ostream& operator<<(std::ostream& out, const ExitStatus& status) {
    return out << status.Describe();
}

PtySession::PtySession(SessionOptions options)
    : options_(std::move(options)),
      model_(options_.columns, options_.rows, [this](std::string_view reply) {
          if (!options_.answersSettingQueries && reply.find("$r") != std::string_view::npos)
              return;
          replies_.append(reply);
      }) {
    Start();
}

PtySession::~PtySession() {
    Stop();
}

std::filesystem::path PtySession::ConsoleFolder() const {
    std::filesystem::path config = home_ / ".config";
    for (const auto& [name, value] : options_.env) {
        if (name == "XDG_CONFIG_HOME" && !value.empty() && value[0] == '/')
            config = value;
    }
    return config / "tolmix-client" / "console";
}

std::filesystem::path PtySession::ConsoleFile(const std::filesystem::path& program) const {
    std::error_code ignored;
    std::filesystem::path real = std::filesystem::canonical(program, ignored);
    std::string name = (real.empty() ? program : real).string();
    for (char& c : name) {
        if (c == '/')
            c = '_';
    }
    return ConsoleFolder() / name;
}

void PtySession::Start() {
    if (options_.home.empty()) {
        ownHome_ = std::make_unique<TempDir>("tolmix-home");
        home_ = ownHome_->Path();
    } else {
        home_ = options_.home;
    }
    const std::string cwd =
        options_.workingDirectory.empty() ? home_.string() : options_.workingDirectory;
    if (!options_.firstRun) {
        const std::filesystem::path marker = ConsoleFile(options_.program);
        std::filesystem::create_directories(marker.parent_path());
        std::ofstream(marker, std::ios::binary).put('\n');
    }

    // Everything the child needs is built before fork: it may only make async-signal-safe calls.
    std::vector<std::string> args = {options_.program};
    args.insert(args.end(), options_.args.begin(), options_.args.end());
    std::vector<std::string> env = BuildEnvironment(options_, home_);
    std::vector<char*> argv = Pointers(args);
    std::vector<char*> envp = Pointers(env);

    winsize size{};
    size.ws_col = static_cast<unsigned short>(options_.columns);
    size.ws_row = static_cast<unsigned short>(options_.rows);
    int slave = -1;
    if (openpty(&master_, &slave, nullptr, nullptr, &size) != 0)
        throw std::runtime_error(std::string("openpty: ") + std::strerror(errno));
    // Read before the program can change them: the modes it has to restore.
    tcgetattr(master_, &startModes_);

    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) {
        const int error = errno;
        close(master_);
        close(slave);
        throw std::runtime_error(std::string("pipe2: ") + std::strerror(error));
    }
    pid_ = fork();
    if (pid_ == 0)
        RunChild(master_, slave, report[1], cwd.c_str(), argv.data(), envp.data());
    const int forkError = errno;
    close(slave); // else the master never sees the program's side close
    close(report[1]);
    if (pid_ < 0) {
        close(report[0]);
        close(master_);
        master_ = -1;
        throw std::runtime_error(std::string("fork: ") + std::strerror(forkError));
    }

    StartFailure failure{};
    ssize_t got;
    do {
        got = read(report[0], &failure, sizeof failure);
    } while (got < 0 && errno == EINTR);
    close(report[0]);
    if (got == static_cast<ssize_t>(sizeof failure)) {
        waitpid(pid_, nullptr, 0);
        status_ = ExitStatus::Code(127);
        close(master_);
        master_ = -1;
        throw std::runtime_error((failure.stage == 1 ? "cannot change to working directory " + cwd
                                                     : "cannot start " + options_.program) +
                                 ": " + std::strerror(failure.error));
    }

    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    fcntl(master_, F_SETFD, FD_CLOEXEC);
#ifdef SYS_pidfd_open
    pidfd_ = static_cast<int>(syscall(SYS_pidfd_open, pid_, 0));
#endif
}

void PtySession::Stop() {
    if (pid_ > 0 && !status_) {
        // The whole process group: a shell's children go too.
        if (kill(-pid_, SIGTERM) != 0)
            kill(pid_, SIGTERM);
        WaitFor([this] { return status_.has_value(); }, kTermGrace);
        if (!status_) {
            kill(-pid_, SIGKILL);
            kill(pid_, SIGKILL);
            CheckExit(true);
        }
    }
    if (master_ >= 0)
        close(master_);
    if (pidfd_ >= 0)
        close(pidfd_);
    master_ = pidfd_ = -1;
}

void PtySession::ReadAvailable() {
    char buffer[65536];
    while (!outputClosed_) {
        const ssize_t n = read(master_, buffer, sizeof buffer);
        if (n > 0) {
            const std::string_view bytes(buffer, static_cast<std::size_t>(n));
            output_.append(bytes);
            model_.Feed(bytes);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN)
            break;
        outputClosed_ = true; // EIO: every descriptor of the program's side is closed
        // No end can come any more: what the program drew is what a terminal would show.
        model_.ShowUnfinishedUpdate();
    }
    FlushReplies();
}

void PtySession::FlushReplies() {
    while (!replies_.empty() && !outputClosed_) {
        const ssize_t n = write(master_, replies_.data(), replies_.size());
        if (n > 0) {
            replies_.erase(0, static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        break; // full: the next pump tries again
    }
}

void PtySession::CheckExit(bool block) {
    if (status_ || pid_ <= 0)
        return;
    int raw = 0;
    pid_t got;
    do {
        got = waitpid(pid_, &raw, block ? 0 : WNOHANG);
    } while (got < 0 && errno == EINTR);
    if (got != pid_)
        return;
    status_ =
        WIFSIGNALED(raw) ? ExitStatus::Signal(WTERMSIG(raw)) : ExitStatus::Code(WEXITSTATUS(raw));
    if (pidfd_ >= 0) {
        close(pidfd_);
        pidfd_ = -1;
    }
}

void PtySession::Pump(milliseconds timeout) {
    FlushReplies();
    pollfd fds[2];
    nfds_t count = 0;
    if (!outputClosed_)
        fds[count++] = {master_, static_cast<short>(POLLIN | (replies_.empty() ? 0 : POLLOUT)), 0};
    if (!status_ && pidfd_ >= 0)
        fds[count++] = {pidfd_, POLLIN, 0};
    // Without a pidfd the exit is only noticed by asking, so do not sleep long.
    if (!status_ && pidfd_ < 0)
        timeout = std::min(timeout, kConditionRecheck);
    if (poll(count ? fds : nullptr, count, PollMs(timeout)) < 0 && errno != EINTR)
        throw std::runtime_error(std::string("poll: ") + std::strerror(errno));
    ReadAvailable();
    CheckExit(false);
}

bool PtySession::WaitFor(const std::function<bool()>& condition, milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    Pump(milliseconds{0});
    for (;;) {
        if (condition())
            return true;
        if (Finished())
            return false; // nothing on the screen can change any more
        const milliseconds left = Remaining(deadline);
        if (left.count() == 0)
            return false;
        Pump(std::min(left, kConditionRecheck));
    }
}

bool PtySession::WaitForText(std::string_view utf8, milliseconds timeout) {
    return WaitFor([&] { return model_.Find(utf8).has_value(); }, timeout);
}

std::optional<ExitStatus> PtySession::WaitForExit(milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    if (!WaitFor([this] { return status_.has_value(); }, timeout))
        return std::nullopt;
    // The last bytes may still be on their way through the pty; its close marks the end.
    WaitFor([this] { return outputClosed_; }, std::min(Remaining(deadline), kLastOutputWait));
    return status_;
}

void PtySession::PumpFor(milliseconds duration) {
    const auto deadline = Clock::now() + duration;
    for (milliseconds left = duration; left.count() > 0 && !Finished(); left = Remaining(deadline))
        Pump(left);
}

bool PtySession::Send(std::string_view bytes) {
    const auto deadline = Clock::now() + kSendTimeout;
    while (!bytes.empty()) {
        if (outputClosed_ || master_ < 0)
            return false;
        const ssize_t n = write(master_, bytes.data(), bytes.size());
        if (n > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            return false;
        const milliseconds left = Remaining(deadline);
        if (left.count() == 0)
            return false;
        // The program may be blocked writing its output: read it while waiting for room.
        pollfd fd{master_, POLLIN | POLLOUT, 0};
        poll(&fd, 1, PollMs(left));
        ReadAvailable();
    }
    return true;
}

void PtySession::Resize(int columns, int rows) {
    winsize size{};
    size.ws_col = static_cast<unsigned short>(columns);
    size.ws_row = static_cast<unsigned short>(rows);
    if (ioctl(master_, TIOCSWINSZ, &size) != 0)
        throw std::runtime_error(std::string("TIOCSWINSZ: ") + std::strerror(errno));
    model_.Resize(columns, rows);
}

std::string PtySession::Dump() const {
    constexpr std::size_t kTail = 600;
    const std::string_view tail =
        std::string_view(output_).substr(output_.size() > kTail ? output_.size() - kTail : 0);
    return "program " + options_.program + ", " +
           (status_ ? status_->Describe() : std::string("running")) + "\n" + model_.Dump() +
           "colours (attribute bg*16+fg, d = default):\n" + model_.ColourDump() + "last " +
           std::to_string(tail.size()) + " of " + std::to_string(output_.size()) +
           " bytes written: " + Printable(tail) + "\n";
}

std::string_view PtySession::OutputSince(std::size_t mark) const {
    return std::string_view(output_).substr(std::min(mark, output_.size()));
}

bool PtySession::OutputContains(std::string_view bytes) const {
    return output_.find(bytes) != std::string::npos;
}

std::optional<bool> PtySession::LastPrivateMode(int mode) const {
    return e2e::LastPrivateMode(output_, mode);
}

std::optional<std::chrono::nanoseconds> PtySession::CpuTime() const {
    if (status_ || pid_ <= 0)
        return std::nullopt;
    // The process CPU clock counts every thread, to the nanosecond.
    clockid_t clock;
    timespec now{};
    if (clock_getcpuclockid(pid_, &clock) == 0 && clock_gettime(clock, &now) == 0)
        return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
    // Else utime + stime from /proc, in clock ticks.
    std::ifstream stat("/proc/" + std::to_string(pid_) + "/stat");
    std::string line;
    std::getline(stat, line);
    const auto close = line.rfind(')');
    if (close == std::string::npos)
        return std::nullopt;
    std::istringstream fields(line.substr(close + 2));
    std::string field;
    long long ticks = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i)
        if (i == 14 || i == 15)
            ticks += std::stoll(field);
    return std::chrono::nanoseconds(ticks * 1'000'000'000LL / sysconf(_SC_CLK_TCK));
}

std::optional<TtyModes> PtySession::ReadTtyModes() const {
    // On Linux the master reports the termios of the program's side.
    termios now{};
    if (master_ < 0 || tcgetattr(master_, &now) != 0)
        return std::nullopt;
    TtyModes modes;
    modes.canonical = (now.c_lflag & ICANON) != 0;
    modes.echo = (now.c_lflag & ECHO) != 0;
    modes.signals = (now.c_lflag & ISIG) != 0;
    modes.flowControl = (now.c_iflag & IXON) != 0;
    modes.crToNl = (now.c_iflag & ICRNL) != 0;
    modes.outputProcessing = (now.c_oflag & OPOST) != 0;
    return modes;
}

bool PtySession::TtyRestored(std::string* differences) const {
    termios now{};
    if (master_ < 0 || tcgetattr(master_, &now) != 0) {
        if (differences)
            *differences = "cannot read the pty's modes";
        return false;
    }
    std::string found;
    auto add = [&](const std::string& what) { found += (found.empty() ? "" : ", ") + what; };
    for (const auto& flag : kFlags) {
        const bool was = (startModes_.*flag.field & flag.bit) != 0;
        const bool is = (now.*flag.field & flag.bit) != 0;
        if (was != is)
            add(std::string(flag.name) + (is ? " on" : " off"));
    }
    if (now.c_cc[VMIN] != startModes_.c_cc[VMIN] || now.c_cc[VTIME] != startModes_.c_cc[VTIME])
        add("VMIN/VTIME " + std::to_string(now.c_cc[VMIN]) + "/" + std::to_string(now.c_cc[VTIME]));
    // Anything not named above still counts.
    if (found.empty() &&
        (now.c_iflag != startModes_.c_iflag || now.c_oflag != startModes_.c_oflag ||
         now.c_lflag != startModes_.c_lflag || now.c_cflag != startModes_.c_cflag))
        add("other termios flags");
    if (differences)
        *differences = found;
    return found.empty();
}

} // namespace tolmix::e2e
