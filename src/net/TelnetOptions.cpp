#include "net/TelnetOptions.h"
#include "net/TelnetBytes.h"

namespace tolmix {

namespace {

// The command that says yes or no about an option of `side`, sent by the client.
uint8_t Say(TelnetOptions::Side side, bool yes) {
    if (side == TelnetOptions::Side::Server)
        return yes ? telnet::Do : telnet::Dont;
    return yes ? telnet::Will : telnet::Wont;
}

} // namespace

TelnetOptions::OptionState& TelnetOptions::At(Side side, uint8_t option) {
    return side == Side::Server ? Server[option] : Client[option];
}

bool TelnetOptions::Enabled(Side side, uint8_t option) const {
    const OptionState& s = side == Side::Server ? Server[option] : Client[option];
    return s.State == Q::Yes;
}

TelnetOptions::Step TelnetOptions::Receive(uint8_t command, uint8_t option) {
    switch (command) {
    case telnet::Will:
        return Positive(Side::Server, option);
    case telnet::Wont:
        return Negative(Side::Server, option);
    case telnet::Do:
        return Positive(Side::Client, option);
    case telnet::Dont:
        return Negative(Side::Client, option);
    default:
        return {};
    }
}

// WILL for the server's side, DO for the client's.
TelnetOptions::Step TelnetOptions::Positive(Side side, uint8_t option) {
    OptionState& s = At(side, option);
    switch (s.State) {
    case Q::No:
        if (!Agreement.Agrees(side, option))
            return {Say(side, false), false, false};
        s.State = Q::Yes;
        return {Say(side, true), true, true};
    case Q::Yes:
        return {0, false, true};
    case Q::WantNo:
        // A refusal answered with yes is the other side's error: off as asked, or on again
        // when that was wished meanwhile.
        s.State = s.Opposite ? Q::Yes : Q::No;
        s.Opposite = false;
        return {0, true, s.State == Q::Yes};
    case Q::WantYes:
        if (s.Opposite) {
            s.Opposite = false;
            s.State = Q::WantNo;
            return {Say(side, false), true, true};
        }
        s.State = Q::Yes;
        return {0, true, true};
    }
    return {};
}

// WONT for the server's side, DONT for the client's.
TelnetOptions::Step TelnetOptions::Negative(Side side, uint8_t option) {
    OptionState& s = At(side, option);
    switch (s.State) {
    case Q::No:
        return {0, false, false};
    case Q::Yes:
        s.State = Q::No;
        return {Say(side, false), true, false};
    case Q::WantNo:
        if (s.Opposite) {
            s.Opposite = false;
            s.State = Q::WantYes;
            return {Say(side, true), true, false};
        }
        s.State = Q::No;
        return {0, true, false};
    case Q::WantYes:
        s.State = Q::No;
        s.Opposite = false;
        return {0, false, false};
    }
    return {};
}

TelnetOptions::Step TelnetOptions::Request(Side side, uint8_t option, bool enable) {
    OptionState& s = At(side, option);
    switch (s.State) {
    case Q::No:
        if (!enable)
            return {0, false, false};
        s.State = Q::WantYes;
        return {Say(side, true), false, false};
    case Q::Yes:
        if (enable)
            return {0, false, true};
        s.State = Q::WantNo;
        return {Say(side, false), false, true};
    case Q::WantNo:
        // The answer to the refusal is awaited: the wish is kept for after it.
        s.Opposite = enable;
        return {0, false, true};
    case Q::WantYes:
        s.Opposite = !enable;
        return {0, false, false};
    }
    return {};
}

} // namespace tolmix
