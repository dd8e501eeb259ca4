#pragma once

#include "CommandLine.h"
#include "Connection.h"
#include "World.h"

#include <memory>
#include <optional>
#include <vector>

// The server: one thread, one poll() over the listening socket, the players' sockets, the quit
// signals and the parent process; its time-out is the nearest timer of any session.
namespace tolmix::demo {

class DemoServer {
  public:
    static constexpr std::size_t MaxPlayers = 200;

    // Listens on 127.0.0.1; throws std::runtime_error when it cannot.
    explicit DemoServer(const CommandLine& options);
    ~DemoServer();
    DemoServer(const DemoServer&) = delete;
    DemoServer& operator=(const DemoServer&) = delete;

    uint16_t Port() const { return ListenPort; }
    // Serves until SIGINT, SIGTERM or the end of the parent process.
    void Run();

  private:
    void Accept(Clock::time_point now);
    // At the bound of players: the oldest connection not logged in yet is closed.
    void MakeWay(Clock::time_point now);
    int Timeout(Clock::time_point now) const;
    bool ParentGone() const;

    World Village;
    int Listener = -1;
    int Signals = -1; // signalfd of SIGINT and SIGTERM
    int Parent = -1;  // pidfd of the parent, readable once it ends; -1 without one
    pid_t ParentPid = 0;
    uint16_t ListenPort = 0;
    // Out of file descriptors: new players wait in the backlog until then.
    std::optional<Clock::time_point> AcceptPausedUntil;
    std::vector<std::unique_ptr<Connection>> Players;
};

} // namespace tolmix::demo
