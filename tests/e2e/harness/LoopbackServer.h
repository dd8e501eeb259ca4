#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

// A game server stand-in on 127.0.0.1: it accepts the client's connections, records what the
// client sends and sends what the test (or a script) says. A thread of its own does the socket
// work, so the client is served while the test waits on the pty.
namespace tolmix::e2e {

class LoopbackServer {
  public:
    // When the bytes received since the last step contain `expect`, `send` goes out;
    // an empty `expect` sends at once (a greeting on connect, or right after the step before).
    // With `close` the server ends the connection (FIN) once `send` has gone out.
    struct ScriptStep {
        std::string expect;
        std::string send;
        bool close = false;
    };

    // A handle to one accepted connection; all calls come from the test's thread.
    class Peer {
      public:
        // Queues `bytes` and waits (bounded) until the kernel took them.
        bool Send(std::string_view bytes);
        // Queues `bytes` without waiting: for more than the kernel holds while the client
        // reads on the test's own thread.
        void Post(std::string_view bytes);
        // Everything received on this connection so far.
        std::string Received() const;
        // Waits until `bytes` occur in what arrived after the last Take.
        bool WaitForReceived(std::string_view bytes, std::chrono::milliseconds timeout);
        // Waits until at least `count` bytes arrived after the last Take.
        bool WaitForBytes(std::size_t count, std::chrono::milliseconds timeout);
        // The bytes after the last Take, which are then consumed.
        std::string Take();
        // Waits until the client closed (or reset) the connection.
        bool WaitForPeerClosed(std::chrono::milliseconds timeout);
        bool PeerClosed() const;
        // Ends the connection: Close with FIN (the client reads end of stream), Reset with RST.
        void Close();
        void Reset();
        // Script steps this connection has gone through.
        std::size_t StepsDone() const;

      private:
        friend class LoopbackServer;
        Peer(LoopbackServer* server, std::size_t index) : server_(server), index_(index) {}
        LoopbackServer* server_;
        std::size_t index_;
    };

    // Listens on `port` of 127.0.0.1 (0: an ephemeral one); throws std::runtime_error on
    // failure.
    explicit LoopbackServer(std::uint16_t port = 0);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    std::uint16_t Port() const { return port_; }
    static std::string Host() { return "127.0.0.1"; }

    // The script for connections accepted from now on.
    void SetScript(std::vector<ScriptStep> steps);
    // The next connection not handed out yet, waiting for it up to `timeout`.
    std::optional<Peer> Accept(std::chrono::milliseconds timeout);
    std::size_t ConnectionCount() const;
    // Closes the listening socket, so that further connection attempts are refused.
    void StopListening();

  private:
    struct Connection;
    enum class CloseKind { None, Fin, Reset };

    void Run();
    void Wake();
    void AcceptPending();
    void ReadFrom(Connection& connection);
    void WriteTo(Connection& connection);
    void AdvanceScript(Connection& connection);
    void RequestClose(std::size_t index, CloseKind kind);
    template <typename Predicate>
    bool WaitUntil(std::chrono::milliseconds timeout, Predicate predicate);

    int listener_ = -1;
    int wakeRead_ = -1;
    int wakeWrite_ = -1;
    std::uint16_t port_ = 0;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::unique_ptr<Connection>> connections_;
    std::vector<ScriptStep> script_;
    std::size_t handedOut_ = 0;
    bool stopListening_ = false;
    bool stop_ = false;
    std::thread thread_;
};

} // namespace tolmix::e2e
