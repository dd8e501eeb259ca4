// Feeds arbitrary bytes to the demo world as one player's connection: the telnet decoder cuts
// them into lines, a session takes them as the login and the commands, and the timers run in
// between. Besides memory errors and hangs it checks what the server promises its players:
// decoded lines stay within the limit, every line sent is no longer than the world's longest
// text, and nothing the player typed can start a server code.
#include "Session.h"
#include "TelnetInput.h"
#include "Wire.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using namespace tolmix::demo;

namespace {

void Check(bool ok) {
    if (!ok)
        __builtin_trap();
}

constexpr std::size_t LineLimit = 256;

struct CheckingLink final : PlayerLink {
    void SendLine(std::string_view text) override {
        Check(text.size() < 64 * 1024);
        // Only the server's own codes: a player's text never makes a line one.
        if (text.starts_with(wire::Marker))
            Check(text.size() > 2 &&
                  std::string_view("vnlxhwmuodeptaPcg").find(text[2]) != std::string_view::npos);
    }
    void SendPrompt(std::string_view text) override { Check(text.size() < 1024); }
    void SendTelnet(std::string_view bytes) override { Check(bytes.size() == 3); }
    void Hangup() override {}
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    Clock::time_point now{};
    World village(now);
    CheckingLink link;
    Session player(village, link, now);
    player.Start();
    // A character first, so that most of the input reaches the game's commands.
    player.Receive({"Fuzz"}, now);
    player.Receive({"pw"}, now);
    player.Receive({"pw"}, now);

    TelnetInput input(LineLimit);
    std::vector<TelnetInput::Line> lines;
    // In pieces of varying size, as reads would bring them.
    for (std::size_t at = 0, piece = 1; at < bytes.size(); at += piece, piece = piece % 7 + 1) {
        lines.clear();
        input.Feed(bytes.substr(at, piece), lines);
        Check(input.Pending() <= LineLimit);
        for (const auto& line : lines) {
            Check(line.text.size() <= LineLimit);
            player.Receive(line, now);
        }
        now += std::chrono::milliseconds(700);
        if (const auto due = player.NextDeadline(); due && *due <= now)
            player.OnTime(now);
    }
    return 0;
}
