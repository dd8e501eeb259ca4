#include "posix/TinyProxy.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace tolmix::posix::test {

using namespace std::chrono_literals;

namespace {

bool Listening(uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}

std::string FindTinyproxy() {
    for (const char* path :
         {"/usr/bin/tinyproxy", "/usr/sbin/tinyproxy", "/usr/local/bin/tinyproxy"})
        if (::access(path, X_OK) == 0)
            return path;
    return {};
}

} // namespace

uint16_t TinyProxy::FreePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    uint16_t port = 0;
    if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    if (fd >= 0)
        ::close(fd);
    return port;
}

TinyProxy::TinyProxy(const std::string& user, const std::string& password) {
    const std::string program = FindTinyproxy();
    if (program.empty()) {
        Why = "tinyproxy is not installed (scripts/deps installs it)";
        return;
    }
    // A port taken by another program between the look-up and the start is tried again.
    for (int attempt = 0; attempt < 3 && ListenPort == 0; ++attempt) {
        const uint16_t port = FreePort();
        std::string config = "Port " + std::to_string(port) +
                             "\n"
                             "Listen 127.0.0.1\n"
                             "Timeout 30\n"
                             "MaxClients 16\n"
                             "LogLevel Info\n"
                             "DisableViaHeader Yes\n";
        if (!user.empty())
            config += "BasicAuth " + user + " " + password + "\n";
        const auto configPath = Dir.WriteFile("tinyproxy.conf", config);
        const std::string logPath = (Dir.Path() / "tinyproxy.log").string();
        Process = std::make_unique<ChildProcess>(
            std::vector<std::string>{program, "-d", "-c", configPath.string()}, logPath);
        if (!Process->Started()) {
            Why = "tinyproxy could not be started";
            return;
        }
        // It needs a moment to listen; look a bounded number of times.
        for (int look = 0; look < 250; ++look) {
            if (Listening(port)) {
                ListenPort = port;
                break;
            }
            if (!Process->Running())
                break;
            std::this_thread::sleep_for(20ms);
        }
        if (ListenPort == 0) {
            Why = "tinyproxy did not start listening: " + Dir.ReadFile("tinyproxy.log");
            Process.reset();
        }
    }
    if (ListenPort != 0)
        Why.clear();
}

} // namespace tolmix::posix::test
