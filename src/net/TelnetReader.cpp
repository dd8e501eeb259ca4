#include "net/TelnetReader.h"
#include "net/TelnetBytes.h"

#include <algorithm>
#include <utility>

namespace tolmix {

namespace {

// Inflated in pieces of this size, each read before the next is made.
constexpr std::size_t InflateChunk = 64 * 1024;

} // namespace

IgnoredTelnetEvents& IgnoredTelnetEvents::Instance() {
    static IgnoredTelnetEvents none;
    return none;
}

TelnetReader::TelnetReader(TelnetEvents& events, InflaterFactory inflaters)
    : Events(events), Inflaters(std::move(inflaters)) {}

TelnetReader::Outcome TelnetReader::Feed(std::string_view raw, std::string& data,
                                         std::vector<std::size_t>& promptEnds) {
    while (Failure == Outcome::Ok && !raw.empty()) {
        if (Inflater) {
            Failure = Inflate(raw, data, promptEnds);
            continue;
        }
        raw.remove_prefix(Parse(raw, data, promptEnds));
        if (std::exchange(StartCompression, false)) {
            Inflater = Inflaters();
            StreamIn = StreamOut = 0;
        }
    }
    return Failure;
}

TelnetReader::Outcome TelnetReader::Inflate(std::string_view& raw, std::string& data,
                                            std::vector<std::size_t>& promptEnds) {
    std::size_t total = 0;
    for (;;) {
        Inflated.clear();
        const StreamInflater::Result result = Inflater->Inflate(raw, Inflated, InflateChunk);
        raw.remove_prefix(std::min(result.Consumed, raw.size()));
        total += Inflated.size();
        StreamIn += result.Consumed;
        StreamOut += Inflated.size();
        if (total > MaxInflatedPerRead ||
            (StreamOut > SuspectInflatedSize && StreamOut / MaxInflationRatio > StreamIn)) {
            Inflater.reset();
            return Outcome::StreamTooLarge;
        }
        // A compressed stream that asks for compression again changes nothing.
        Parse(Inflated, data, promptEnds);
        StartCompression = false;
        switch (result.State) {
        case StreamInflater::Status::Corrupt:
            Inflater.reset();
            return Outcome::CorruptStream;
        case StreamInflater::Status::End: {
            // The rest is plain telnet again, beginning with what the inflater took past the
            // stream's end.
            const std::string trailing(Inflater->TrailingInput());
            Inflater.reset();
            return trailing.empty() ? Outcome::Ok : Feed(trailing, data, promptEnds);
        }
        case StreamInflater::Status::More:
            break;
        }
        // Done when the input is taken and the inflater has nothing more to give.
        if (Inflated.size() < InflateChunk && raw.empty())
            return Outcome::Ok;
        if (Inflated.empty() && result.Consumed == 0)
            return Outcome::Ok;
    }
}

void TelnetReader::EndSubnegotiation() {
    if (SubOptionByte == telnet::Compress2 && Inflaters && !Inflater)
        StartCompression = true;
    Events.Subnegotiation(SubOptionByte, SubPayload, SubCut);
    SubPayload.clear();
    SubCut = false;
}

std::size_t TelnetReader::Parse(std::string_view bytes, std::string& data,
                                std::vector<std::size_t>& promptEnds) {
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    while (i < n) {
        const auto c = static_cast<uint8_t>(bytes[i]);
        switch (At) {
        case State::Data: {
            // Some servers send a zero after the letter "ya" (IAC IAC): it is no text.
            if (std::exchange(AfterDoubledIac, false) && c == 0) {
                ++i;
                continue;
            }
            // Text up to the next IAC goes in as one run: most reads are nothing else.
            const std::size_t iac = bytes.find(static_cast<char>(telnet::Iac), i);
            const std::size_t end = iac == std::string_view::npos ? n : iac;
            data.append(bytes.data() + i, end - i);
            i = end;
            if (i < n) {
                At = State::Command;
                ++i;
            }
            continue;
        }
        case State::Command:
            At = State::Data;
            // A lone IAC (the letter "ya" not doubled) before a line end takes no line end
            // with it: the CR or LF is text.
            if (c == '\r' || c == '\n')
                continue;
            if (c == telnet::Iac) {
                data += static_cast<char>(telnet::Iac);
                AfterDoubledIac = true;
            } else if (telnet::IsNegotiation(c)) {
                Command = c;
                At = State::Option;
            } else if (c == telnet::Sb) {
                At = State::SubOption;
            } else if (c == telnet::Ga || c == telnet::Eor) {
                promptEnds.push_back(data.size());
            }
            // NOP, a stray SE and the rest carry nothing for the client.
            break;
        case State::Option:
            At = State::Data;
            if (c == '\r' || c == '\n')
                continue;
            Events.Negotiation(Command, c);
            break;
        case State::SubOption:
            if (c == telnet::Iac) {
                // No option: the command is read as one.
                At = State::Command;
                break;
            }
            SubOptionByte = c;
            SubPayload.clear();
            SubCut = false;
            At = State::Sub;
            break;
        case State::Sub: {
            const std::size_t iac = bytes.find(static_cast<char>(telnet::Iac), i);
            const std::size_t end = iac == std::string_view::npos ? n : iac;
            const std::size_t room = MaxSubnegotiation - SubPayload.size();
            const std::size_t take = std::min(room, end - i);
            SubPayload.append(bytes.data() + i, take);
            SubCut = SubCut || take < end - i;
            i = end;
            if (i < n) {
                At = State::SubIac;
                ++i;
            }
            continue;
        }
        case State::SubIac:
            if (c == telnet::Iac) {
                if (SubPayload.size() < MaxSubnegotiation)
                    SubPayload += static_cast<char>(telnet::Iac);
                else
                    SubCut = true;
                At = State::Sub;
            } else if (c == telnet::Se) {
                At = State::Data;
                EndSubnegotiation();
                ++i;
                if (StartCompression)
                    return i;
                continue;
            } else if (c == telnet::Sb) {
                // A sub-negotiation never ended: dropped, and the new one begins.
                At = State::SubOption;
            } else {
                // Any other command ends a sub-negotiation that lost its end, unreported; the
                // command is read as one.
                SubPayload.clear();
                SubCut = false;
                At = State::Command;
                continue;
            }
            break;
        }
        ++i;
    }
    return i;
}

} // namespace tolmix
