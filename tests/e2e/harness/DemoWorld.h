#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The bundled demo game server as a child process, on a free port of 127.0.0.1:
//
//   DemoWorld world;                       // throws when it does not come up
//   settings: "Address=127.0.0.1\r\nPort=" + std::to_string(world.Port())
//   world.ResidentKb();                    // its memory, from /proc/<pid>/status
namespace tolmix::e2e {

class DemoWorld {
  public:
    // Starts the server with `--port 0` and `extraArgs`, and waits (bounded) for its
    // "port N" line.
    explicit DemoWorld(std::vector<std::string> extraArgs = {},
                       std::string program = TOLMIX_DEMO_WORLD_PATH);
    // SIGTERM, a bounded wait, SIGKILL if it must.
    ~DemoWorld();
    DemoWorld(const DemoWorld&) = delete;
    DemoWorld& operator=(const DemoWorld&) = delete;

    uint16_t Port() const { return port_; }
    pid_t Pid() const { return pid_; }
    bool Running();
    // VmRSS of the server in kB, or nothing once it has gone.
    std::optional<long> ResidentKb() const;
    // Sends SIGTERM and waits for the exit code (nothing on time-out or a signal's end).
    std::optional<int> Stop(std::chrono::milliseconds timeout);

  private:
    pid_t pid_ = -1;
    int output_ = -1; // its standard output
    uint16_t port_ = 0;
    std::optional<int> status_;
};

// The settings file a client needs to play there: the address, the port, no automatic lines.
std::string DemoWorldSettings(uint16_t port);

} // namespace tolmix::e2e
