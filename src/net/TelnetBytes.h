#pragma once

#include <cstdint>

namespace tolmix::telnet {

// The telnet bytes the client understands.
inline constexpr uint8_t Iac = 0xFF;
inline constexpr uint8_t Dont = 0xFE;
inline constexpr uint8_t Do = 0xFD;
inline constexpr uint8_t Wont = 0xFC;
inline constexpr uint8_t Will = 0xFB;
// A sub-negotiation's beginning and end: IAC SB option ... IAC SE.
inline constexpr uint8_t Sb = 0xFA;
inline constexpr uint8_t Se = 0xF0;
// Go ahead and end of record: the server's prompt is complete.
inline constexpr uint8_t Ga = 0xF9;
inline constexpr uint8_t Eor = 0xEF;

// The options the client knows by number.
// The option by which the server takes over echoing what is typed (a password prompt).
inline constexpr uint8_t EchoOption = 0x01;
inline constexpr uint8_t SuppressGoAhead = 3;
inline constexpr uint8_t TerminalType = 24;
inline constexpr uint8_t EndOfRecord = 25;
inline constexpr uint8_t WindowSize = 31;
inline constexpr uint8_t Charset = 42;
inline constexpr uint8_t Compress2 = 86;

inline bool IsNegotiation(uint8_t command) {
    return command >= Will && command <= Dont;
}

} // namespace tolmix::telnet
