#pragma once

#include <array>
#include <cstdint>

namespace tolmix {

// The state of every telnet option on both sides of the connection, kept by the method of
// RFC 1143 (four states and a queued wish per side), so that each change is answered once and
// no two parties that disagree loop. Which options the client agrees to is its caller's word.
class TelnetOptions {
  public:
    // The server's side (it WILL or WONT) and the client's own (the server asks DO or DONT).
    enum class Side { Server, Client };

    // Decides whether the client lets an option be turned on.
    class Policy {
      public:
        virtual ~Policy() = default;
        virtual bool Agrees(Side side, uint8_t option) const = 0;
    };

    // What a received negotiation or the client's own wish comes to.
    struct Step {
        // The command to send for the option (WILL, WONT, DO or DONT); 0: nothing.
        uint8_t Reply = 0;
        // The option is now on where it was off, or off where it was on.
        bool Changed = false;
        bool Enabled = false;
    };

    explicit TelnetOptions(const Policy& policy) : Agreement(policy) {}

    // The server sent IAC `command` `option` (WILL, WONT, DO or DONT).
    Step Receive(uint8_t command, uint8_t option);
    // The client wants an option of `side` on or off: asks for it unless that is already so or
    // asked.
    Step Request(Side side, uint8_t option, bool enable);
    bool Enabled(Side side, uint8_t option) const;

  private:
    enum class Q : uint8_t { No, Yes, WantNo, WantYes };
    struct OptionState {
        Q State = Q::No;
        // The opposite of what is being asked for is wanted once the answer comes.
        bool Opposite = false;
    };

    Step Positive(Side side, uint8_t option);
    Step Negative(Side side, uint8_t option);
    OptionState& At(Side side, uint8_t option);

    const Policy& Agreement;
    std::array<OptionState, 256> Server{};
    std::array<OptionState, 256> Client{};
};

} // namespace tolmix
