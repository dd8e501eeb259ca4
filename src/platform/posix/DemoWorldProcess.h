#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace tolmix::posix {

// The bundled demo world, run for one client: it listens on a free port of 127.0.0.1 that it
// chooses itself (so no other program can take the port between a choice and a bind), ends
// when this object goes, and ends by itself should the client die without ending it.
class DemoWorldProcess {
  public:
    enum class Failure { None, ProgramMissing, DidNotStart };
    struct StartResult {
        std::unique_ptr<DemoWorldProcess> World;
        Failure Why = Failure::None;
        std::string Reason; // the system's or the world's own words
    };

    // Starts `program` and waits, at most `limit`, for the port it listens on; its standard
    // error goes to `logPath`.
    static StartResult Start(const std::string& program, const std::string& logPath,
                             std::chrono::milliseconds limit);

    // Asks the world to end, and makes it end after a short grace; reaps it.
    ~DemoWorldProcess();
    DemoWorldProcess(const DemoWorldProcess&) = delete;
    DemoWorldProcess& operator=(const DemoWorldProcess&) = delete;

    uint16_t Port() const { return ListenPort; }

  private:
    DemoWorldProcess(pid_t pid, int output, uint16_t port)
        : Pid(pid), Output(output), ListenPort(port) {}

    pid_t Pid;
    int Output; // the world's standard output, kept open so that it never writes into nothing
    uint16_t ListenPort;
};

// The folder of the demo's files, <state home>/tolmix-client/demo, made when missing. Empty,
// with `failure` set, when it cannot be made.
std::string MakeDemoFolder(const std::string& stateHome, std::string& failure);
// Replaces the file with the text. False, with `failure` set, when it cannot be written.
bool WriteDemoFile(const std::string& path, std::string_view text, std::string& failure);

} // namespace tolmix::posix
