#include "net/TelnetReader.h"

#include <gtest/gtest.h>

#include "support/ZlibStreams.h"

#include <string>
#include <vector>

namespace tolmix {
namespace {

using namespace std::string_literals;

// What a reader made of a stream: its data, and its events and prompt ends in order.
struct Reading final : TelnetEvents {
    std::string Data;
    std::vector<std::size_t> PromptEnds;
    std::vector<std::string> Events;
    std::size_t LongestPayload = 0;

    void Negotiation(uint8_t command, uint8_t option) override {
        Events.push_back("N" + std::to_string(command) + "," + std::to_string(option));
    }
    void Subnegotiation(uint8_t option, std::string_view payload, bool cut) override {
        LongestPayload = std::max(LongestPayload, payload.size());
        Events.push_back("S" + std::to_string(option) + (cut ? "cut:" : ":") +
                         std::string(payload.substr(0, 40)));
    }
    bool operator==(const Reading& other) const {
        return Data == other.Data && PromptEnds == other.PromptEnds && Events == other.Events;
    }
};

// Reads `stream` cut into pieces of `piece` bytes (0: whole).
Reading Read(std::string_view stream, std::size_t piece = 0, InflaterFactory inflaters = {},
             TelnetReader::Outcome* outcome = nullptr) {
    Reading r;
    TelnetReader reader(r, std::move(inflaters));
    TelnetReader::Outcome last = TelnetReader::Outcome::Ok;
    const std::size_t step = piece == 0 ? stream.size() + 1 : piece;
    for (std::size_t at = 0; at < stream.size(); at += step)
        last = reader.Feed(stream.substr(at, step), r.Data, r.PromptEnds);
    if (outcome)
        *outcome = last;
    return r;
}

// A stream with every kind of command the reader knows.
const std::string Mixed = "Hi \xFF\xFF\0there\xFF\xF1!\xFF\xFB\x01 pass: \xFF\xF9"
                          "\xFF\xFA\xC9"
                          "Char.Vitals {\"hp\":100}\xFF\xF0"
                          "A\xFF\xFA\x18\x01\xFF\xF0"
                          "B\xFF\xFA\x2A\x01;x\xFF\xFF;y\xFF\xF0"
                          "C\r\n\xFF\xFD\x1F"
                          "HP> \xFF\xEFok"s;

TEST(TelnetReader, DataCommandsAndSubnegotiationsAreToldApart) {
    const Reading r = Read(Mixed);
    // The letter "ya" is IAC IAC, and a zero a server sends after it is no text.
    EXPECT_EQ(r.Data, "Hi \xFFthere! pass: ABC\r\nHP> ok");
    EXPECT_EQ(r.Events, (std::vector<std::string>{"N251,1", "S201:Char.Vitals {\"hp\":100}",
                                                  "S24:\x01", "S42:\x01;x\xFF;y", "N253,31"}));
    // GA and EOR mark where the prompts end.
    EXPECT_EQ(r.PromptEnds, (std::vector<std::size_t>{17, 26}));
}

TEST(TelnetReader, ACutAtAnyByteOrEveryByteReadsTheSame) {
    const Reading whole = Read(Mixed);
    for (std::size_t cut = 1; cut < Mixed.size(); ++cut) {
        Reading r;
        TelnetReader reader(r, {});
        reader.Feed(std::string_view(Mixed).substr(0, cut), r.Data, r.PromptEnds);
        reader.Feed(std::string_view(Mixed).substr(cut), r.Data, r.PromptEnds);
        EXPECT_TRUE(r == whole) << "cut at " << cut;
    }
    EXPECT_TRUE(Read(Mixed, 1) == whole);
    EXPECT_TRUE(Read(Mixed, 3) == whole);
}

TEST(TelnetReader, ASubnegotiationIsBoundedAndNeverReachesTheText) {
    const std::string body(20000, 'm');
    const Reading r = Read("a\xFF\xFA\x46" + body + "\xFF\xF0" + "b", 1000);
    EXPECT_EQ(r.Data, "ab");
    ASSERT_EQ(r.Events.size(), 1u);
    EXPECT_EQ(r.Events[0].substr(0, 6), "S70cut");
    EXPECT_EQ(r.LongestPayload, TelnetReader::MaxSubnegotiation);
    // A line end after a lone IAC, or where an option should be, stays text.
    EXPECT_EQ(Read("a\xFF\r\nb\xFF\xFB\nc").Data, "a\r\nb\nc");
    // Another command ends one that lost its IAC SE; the text after it is text again.
    EXPECT_EQ(Read("\xFF\xFA\x18\x01\xFF\xF9next").Data, "next");
}

TEST(TelnetReader, NestedSubnegotiationsKeepNothingAndLoseNothingAfterThem) {
    std::string stream;
    for (int i = 0; i < 100000; ++i)
        stream += "\xFF\xFA";
    stream += "\xFF\xF0text";
    const Reading r = Read(stream, 4096);
    EXPECT_EQ(r.Data, "text");
    EXPECT_LE(r.LongestPayload, TelnetReader::MaxSubnegotiation);
    EXPECT_LE(r.Events.size(), 1u);
    // Begun again inside one with an option, the first is dropped unreported.
    EXPECT_EQ(Read("\xFF\xFA\x18\x01\xFF\xFA\x18\x01\xFF\xF0x").Events,
              std::vector<std::string>{"S24:\x01"});
}

TEST(TelnetReader, CompressionIsNotStartedWithoutAnInflater) {
    const Reading r = Read("a\xFF\xFA\x56\xFF\xF0"
                           "b");
    EXPECT_EQ(r.Data, "ab");
}

const std::string Start = "\xFF\xFA\x56\xFF\xF0"s;

// The plain part before, the compressed part with its own commands, and plain again after the
// compressed stream ended.
std::string CompressedSession() {
    return "plain \xFF\xFB\x56" + Start +
           test::Deflate("packed \xFF\xFF\xFF\xFB\x01line\r\nprompt> \xFF\xF9" + Start + "!") +
           "after \xFF\xEF";
}

TEST(TelnetReader, ACompressedStreamIsInflatedToItsEndAlsoByteByByte) {
    TelnetReader::Outcome outcome{};
    const Reading whole = Read(CompressedSession(), 0, ZlibInflaters(), &outcome);
    EXPECT_EQ(outcome, TelnetReader::Outcome::Ok);
    // Asked to compress again inside the stream changes nothing.
    EXPECT_EQ(whole.Data, "plain packed \xFFline\r\nprompt> !after ");
    EXPECT_EQ(whole.Events, (std::vector<std::string>{"N251,86", "S86:", "N251,1", "S86:"}));
    EXPECT_EQ(whole.PromptEnds, (std::vector<std::size_t>{28, 35}));
    const Reading bytes = Read(CompressedSession(), 1, ZlibInflaters(), &outcome);
    EXPECT_EQ(outcome, TelnetReader::Outcome::Ok);
    EXPECT_TRUE(bytes == whole);
    for (std::size_t cut = 1; cut < CompressedSession().size(); cut += 7) {
        Reading r;
        TelnetReader reader(r, ZlibInflaters());
        const std::string s = CompressedSession();
        reader.Feed(std::string_view(s).substr(0, cut), r.Data, r.PromptEnds);
        reader.Feed(std::string_view(s).substr(cut), r.Data, r.PromptEnds);
        EXPECT_TRUE(r == whole) << "cut at " << cut;
        EXPECT_FALSE(reader.Compressing());
    }
}

TEST(TelnetReader, ACorruptStreamFailsAndNothingMoreIsRead) {
    std::string stream = "ok" + Start + test::Deflate(std::string(1000, 'q'));
    stream[stream.size() / 2] ^= 0x55;
    stream[stream.size() / 2 + 1] ^= 0x55;
    Reading r;
    TelnetReader reader(r, ZlibInflaters());
    EXPECT_EQ(reader.Feed(stream, r.Data, r.PromptEnds), TelnetReader::Outcome::CorruptStream);
    const std::size_t had = r.Data.size();
    EXPECT_EQ(reader.Feed("more", r.Data, r.PromptEnds), TelnetReader::Outcome::CorruptStream);
    EXPECT_EQ(r.Data.size(), had);
    EXPECT_EQ(r.Data.substr(0, 2), "ok");
    // Plain garbage after the start is no stream either.
    TelnetReader::Outcome outcome{};
    Read(Start + "not a stream", 0, ZlibInflaters(), &outcome);
    EXPECT_EQ(outcome, TelnetReader::Outcome::CorruptStream);
}

TEST(TelnetReader, AZlibBombStopsWithAnErrorAndBoundedData) {
    // 256 MiB of zeros in about 256 KiB, as much as zlib shrinks anything (a gigabyte takes
    // four times as long to make and fails at the same place).
    const std::string bomb = Start + test::ZeroBomb(256);
    ASSERT_LT(bomb.size(), std::size_t{300} << 10);
    // Read as the socket reads, 64 KiB at a time, each read's data taken away.
    for (std::size_t read : {std::size_t{64} << 10, std::size_t{1} << 10}) {
        Reading r;
        TelnetReader reader(r, ZlibInflaters());
        TelnetReader::Outcome outcome = TelnetReader::Outcome::Ok;
        std::size_t most = 0;
        std::size_t total = 0;
        for (std::size_t at = 0; at < bomb.size() && outcome == TelnetReader::Outcome::Ok;
             at += read) {
            outcome = reader.Feed(std::string_view(bomb).substr(at, read), r.Data, r.PromptEnds);
            most = std::max(most, r.Data.size());
            total += r.Data.size();
            r.Data.clear();
        }
        EXPECT_EQ(outcome, TelnetReader::Outcome::StreamTooLarge) << read;
        EXPECT_LE(most, TelnetReader::MaxInflatedPerRead + (64 << 10)) << read;
        EXPECT_LE(total, TelnetReader::SuspectInflatedSize + TelnetReader::MaxInflatedPerRead)
            << read;
    }
}

} // namespace
} // namespace tolmix
