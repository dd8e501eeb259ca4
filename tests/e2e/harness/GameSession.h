#pragma once

#include "e2e/harness/LoopbackServer.h"
#include "e2e/harness/PtySession.h"
#include "e2e/harness/TempDir.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The real client in a pseudo-terminal, started on a settings file that points it at a loopback
// game server of the test's own:
//
//   GameSession game("AutoSend=\r\nMacrosFile=keys", {{"keys.tmf", "F1=ping"}});
//   ASSERT_TRUE(game.Connect(5s));
//   game.Peer().Send("\x1b[1;31mHello\r\n");
//   ASSERT_TRUE(game.WaitForWire("...", 5s));   // reads the pty meanwhile
namespace tolmix::e2e {

struct GameSessionOptions {
    // Settings lines (Windows-1251) before the Address and Port the session adds.
    std::string settings;
    // Further files in the client's folder: name, bytes.
    std::vector<std::pair<std::string, std::string>> files;
    int columns = 80;
    int rows = 25;
    std::string program = TOLMIX_CLIENT_PATH;
};

class GameSession {
  public:
    // Starts the client; throws std::runtime_error when it cannot be started.
    explicit GameSession(GameSessionOptions options);
    explicit GameSession(std::string settings = "",
                         std::vector<std::pair<std::string, std::string>> files = {});
    GameSession(const GameSession&) = delete;
    GameSession& operator=(const GameSession&) = delete;

    // Waits (reading the pty) until the client's connection was accepted.
    bool Connect(milliseconds timeout);
    // The accepted connection; only after Connect succeeded.
    LoopbackServer::Peer& Peer() { return *peer_; }
    PtySession& Client() { return *client_; }
    LoopbackServer& Server() { return server_; }
    const TempDir& Dir() const { return dir_; }

    // Waits, reading the pty meanwhile so the client never blocks on its output, until
    // `bytes` occur on the wire at or after byte `from` of everything the client sent.
    bool WaitForWire(std::string_view bytes, milliseconds timeout, std::size_t from = 0);
    // Everything the client sent on this connection so far.
    std::string Wire() const { return peer_ ? peer_->Received() : std::string(); }

  private:
    TempDir dir_;
    LoopbackServer server_;
    // Declared after the server: the client goes first, while its server still answers.
    std::unique_ptr<PtySession> client_;
    std::optional<LoopbackServer::Peer> peer_;
};

} // namespace tolmix::e2e
