#pragma once

#include "PlayerLink.h"
#include "Session.h"
#include "TelnetInput.h"

#include <optional>
#include <string>

// One player's socket: non-blocking reads into the telnet decoder, an output queue written
// when the socket can take it. Both sides are bounded: a line is cut at InputLineLimit, and a
// player whose unread output passes OutputLimit is dropped.
namespace tolmix::demo {

class Connection final : public PlayerLink {
  public:
    static constexpr std::size_t InputLineLimit = 4096;
    static constexpr std::size_t OutputLimit = 256 * 1024;

    Connection(int fd, World& world, Clock::time_point now);
    ~Connection() override;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    int Fd() const { return Socket; }
    // poll() events this connection waits for.
    short Events() const;
    // Acts on what poll() reported; false when the connection is over.
    bool Handle(short revents, Clock::time_point now);
    // Sends what is queued, as far as the socket takes it; false when the connection is over.
    bool Flush(Clock::time_point now);
    // When the connection needs Flush again without any socket event: the end of the time a
    // hung-up connection has to send its last words.
    std::optional<Clock::time_point> Deadline() const;
    Session& Game() { return Player; }
    // False once the connection should be closed.
    bool Alive() const { return !Dead; }

    void SendLine(std::string_view text) override;
    void SendPrompt(std::string_view text) override;
    void SendTelnet(std::string_view bytes) override;
    void Hangup() override;

  private:
    void Queue(std::string_view bytes);
    void Read(Clock::time_point now);
    void Write();

    int Socket;
    TelnetInput Input{InputLineLimit};
    std::string Output;
    std::size_t Written = 0;      // bytes of Output already sent
    bool Closing = false;         // hung up: the rest of Output goes, then the socket closes
    Clock::time_point ClosedBy{}; // a hung-up player who does not read is dropped then
    bool Dead = false;
    Session Player; // last: it may still send while it is destroyed
};

} // namespace tolmix::demo
