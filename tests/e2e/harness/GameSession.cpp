#include "e2e/harness/GameSession.h"

namespace tolmix::e2e {

using namespace std::chrono_literals;

GameSession::GameSession(GameSessionOptions options) {
    for (const auto& [name, bytes] : options.files)
        dir_.WriteFile(name, bytes);
    dir_.WriteFile("hero.tcf", options.settings + "\r\nAddress=" + LoopbackServer::Host() +
                                   "\r\nPort=" + std::to_string(server_.Port()) + "\r\n");
    SessionOptions session;
    session.program = options.program;
    session.columns = options.columns;
    session.rows = options.rows;
    session.workingDirectory = dir_.String();
    // The client replaces the extension with its own.
    session.args = {(dir_.Path() / "hero.txt").string()};
    client_ = std::make_unique<PtySession>(session);
}

namespace {

GameSessionOptions WithFiles(std::string settings,
                             std::vector<std::pair<std::string, std::string>> files) {
    GameSessionOptions options;
    options.settings = std::move(settings);
    options.files = std::move(files);
    return options;
}

} // namespace

GameSession::GameSession(std::string settings,
                         std::vector<std::pair<std::string, std::string>> files)
    : GameSession(WithFiles(std::move(settings), std::move(files))) {}

bool GameSession::Connect(milliseconds timeout) {
    if (peer_)
        return true;
    client_->WaitFor([&] { return server_.ConnectionCount() > 0; }, timeout);
    peer_ = server_.Accept(0ms);
    return peer_.has_value();
}

bool GameSession::WaitForWire(std::string_view bytes, milliseconds timeout, std::size_t from) {
    if (!peer_)
        return false;
    const auto seen = [&] {
        const std::string wire = peer_->Received();
        return wire.size() >= from && wire.find(bytes, from) != std::string::npos;
    };
    // The session's wait ends early once the client has exited; what it sent still counts.
    return client_->WaitFor(seen, timeout) || seen();
}

} // namespace tolmix::e2e
