#pragma once

#include "net/StreamInflater.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tolmix {

// What the telnet reader finds between the data bytes, reported as it is read.
class TelnetEvents {
  public:
    virtual ~TelnetEvents() = default;
    // IAC WILL, WONT, DO or DONT and its option.
    virtual void Negotiation(uint8_t command, uint8_t option) = 0;
    // IAC SB option ... IAC SE, its doubled IACs made one. `cut`: it was longer than the bound
    // and `payload` holds only its beginning.
    virtual void Subnegotiation(uint8_t option, std::string_view payload, bool cut) = 0;
};

// Listens to nothing: for a transport that is no telnet session of the client's.
class IgnoredTelnetEvents final : public TelnetEvents {
  public:
    void Negotiation(uint8_t, uint8_t) override {}
    void Subnegotiation(uint8_t, std::string_view, bool) override {}
    static IgnoredTelnetEvents& Instance();
};

// Turns the bytes received from a telnet server, in reads cut anywhere, into the data bytes
// (IAC IAC is one 0xFF) and the events between them. A sub-negotiation never reaches the data.
// After IAC SB 86 IAC SE (when an inflater can be made) the rest of the stream, the rest of that
// read included, is a compressed stream, inflated until it ends.
class TelnetReader {
  public:
    enum class Outcome {
        Ok,
        // The compressed stream is broken: nothing more can be read from it.
        CorruptStream,
        // One read inflated to more than MaxInflatedPerRead, or the stream as a whole to more
        // than MaxInflationRatio times its size (past SuspectInflatedSize).
        StreamTooLarge,
    };

    // The longest sub-negotiation kept; the rest of a longer one is dropped.
    static constexpr std::size_t MaxSubnegotiation = 16 * 1024;
    // The most that one read may inflate to.
    static constexpr std::size_t MaxInflatedPerRead = 4 * 1024 * 1024;
    // Text does not shrink to less than a 256th; a stream that does is sent to flood the client.
    static constexpr std::size_t MaxInflationRatio = 256;
    static constexpr std::size_t SuspectInflatedSize = 16 * 1024 * 1024;

    TelnetReader(TelnetEvents& events, InflaterFactory inflaters);

    // Reads the next bytes: appends their data to `data`, and for every GA or EOR (the end of
    // a prompt) the size `data` had then to `promptEnds`. After a failure the reader stays
    // failed and reads nothing more.
    Outcome Feed(std::string_view raw, std::string& data, std::vector<std::size_t>& promptEnds);
    bool Compressing() const { return Inflater != nullptr; }

  private:
    enum class State { Data, Command, Option, SubOption, Sub, SubIac };
    // Reads plain telnet bytes; stops after an IAC SE that starts compression, and returns how
    // many bytes were read.
    std::size_t Parse(std::string_view bytes, std::string& data,
                      std::vector<std::size_t>& promptEnds);
    void EndSubnegotiation();
    Outcome Inflate(std::string_view& raw, std::string& data, std::vector<std::size_t>& promptEnds);

    TelnetEvents& Events;
    const InflaterFactory Inflaters;
    std::unique_ptr<StreamInflater> Inflater;
    State At = State::Data;
    uint8_t Command = 0;
    uint8_t SubOptionByte = 0;
    std::string SubPayload;
    bool SubCut = false;
    bool StartCompression = false;
    bool AfterDoubledIac = false;
    Outcome Failure = Outcome::Ok;
    std::string Inflated;
    // Of the compressed stream: the bytes taken and given.
    std::size_t StreamIn = 0;
    std::size_t StreamOut = 0;
};

} // namespace tolmix
