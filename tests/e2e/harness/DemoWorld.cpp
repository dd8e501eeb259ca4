#include "e2e/harness/DemoWorld.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace tolmix::e2e {

using namespace std::chrono_literals;

namespace {

constexpr auto StartPatience = 10s;

} // namespace

DemoWorld::DemoWorld(std::vector<std::string> extraArgs, std::string program) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
    std::vector<std::string> args = {program, "--port", "0"};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    const int failed =
        ::posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(ends[1]);
    output_ = ends[0];
    if (failed != 0) {
        ::close(output_);
        throw std::runtime_error("cannot start " + program + ": " + std::strerror(failed));
    }
    // The first line says the port.
    std::string line;
    const auto deadline = std::chrono::steady_clock::now() + StartPatience;
    while (line.find('\n') == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd ready{output_, POLLIN, 0};
        char buffer[64];
        ssize_t n = 0;
        if (left.count() <= 0 || ::poll(&ready, 1, static_cast<int>(left.count())) <= 0 ||
            (n = ::read(output_, buffer, sizeof buffer)) <= 0) {
            Stop(1s);
            throw std::runtime_error("the demo world did not say its port: \"" + line + "\"");
        }
        line.append(buffer, static_cast<std::size_t>(n));
    }
    if (line.rfind("port ", 0) != 0) {
        Stop(1s);
        throw std::runtime_error("the demo world said \"" + line + "\"");
    }
    port_ = static_cast<uint16_t>(std::stoi(line.substr(5)));
}

DemoWorld::~DemoWorld() {
    if (!Stop(2s) && pid_ > 0 && !status_) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    if (output_ >= 0)
        ::close(output_);
}

bool DemoWorld::Running() {
    if (status_ || pid_ <= 0)
        return false;
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
        return false;
    }
    return true;
}

std::optional<int> DemoWorld::Stop(std::chrono::milliseconds timeout) {
    if (Running())
        ::kill(pid_, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (Running() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(10ms);
    if (!status_ || *status_ < 0)
        return std::nullopt;
    return status_;
}

std::optional<long> DemoWorld::ResidentKb() const {
    std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
    std::string name;
    while (status >> name) {
        if (name == "VmRSS:") {
            long kb = 0;
            if (status >> kb)
                return kb;
            return std::nullopt;
        }
        status.ignore(1 << 16, '\n');
    }
    return std::nullopt;
}

std::string DemoWorldSettings(uint16_t port) {
    return "Address=127.0.0.1\r\nPort=" + std::to_string(port) + "\r\nAutoSend=\r\n";
}

} // namespace tolmix::e2e
