#include "net/IncomingLine.h"

#include <gtest/gtest.h>

#include <vector>

namespace tolmix {
namespace {

std::string Bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values)
        s += static_cast<char>(v);
    return s;
}

// Keeps every negotiation the decoder reports, as its three bytes and the offset after it.
struct Negotiations final : TelnetNegotiation {
    std::vector<std::string> Seen;
    std::vector<std::size_t> Ends;
    void Negotiate(uint8_t command, uint8_t option, std::size_t end) override {
        Seen.push_back(Bytes({0xFF, command, option}));
        Ends.push_back(end);
    }
};

// Decodes `line`, keeping every negotiation.
struct Decoded {
    std::string Text;
    int WireMarkers = 0;
    std::vector<std::string> Negotiated; // the negotiations met
};

Decoded Decode(std::string_view line) {
    Negotiations negotiations;
    const DecodedLine decoded = DecodeIncomingLine(line, &negotiations);
    return Decoded{decoded.Text, decoded.WireMarkers, negotiations.Seen};
}

TEST(IncomingLine, PlainTextAndTheServersOwnColourBytesPassUnchanged) {
    const std::string line("\x80\x80l12 \x8F\xE0\xE1\0tail", 14);
    const Decoded d = Decode(line);
    EXPECT_EQ(d.Text, line);
    EXPECT_TRUE(d.Negotiated.empty());
    EXPECT_EQ(Decode("").Text, "");
}

TEST(IncomingLine, NegotiationsAreReportedWithWhereTheyEndAndLeaveNoText) {
    Negotiations seen;
    const DecodedLine d = DecodeIncomingLine("pass\xFF\xFB\x01word"
                                             "a\xFF\xFD\x18"
                                             "b\xFF\xFE\x03"
                                             "c\xFF\xFC\x05"
                                             "d",
                                             &seen);
    EXPECT_EQ(d.Text, "passwordabcd");
    EXPECT_EQ(seen.Seen,
              (std::vector<std::string>{Bytes({0xFF, 0xFB, 0x01}), Bytes({0xFF, 0xFD, 0x18}),
                                        Bytes({0xFF, 0xFE, 0x03}), Bytes({0xFF, 0xFC, 0x05})}));
    EXPECT_EQ(seen.Ends, (std::vector<std::size_t>{7, 15, 19, 23}));
    // Without a listener they go just the same.
    EXPECT_EQ(DecodeIncomingLine("\xFF\xFB\x01\xFF\xFB\x03").Text, "");
}

TEST(IncomingLine, DoubledIacIsTheLetterYaAndSwallowsOneZeroAfterIt) {
    // "я" inside a word, "яма" with the zero byte a server may add.
    EXPECT_EQ(Decode("\xEC\xFF\xFF\xF7").Text, "\xEC\xFF\xF7");
    EXPECT_EQ(Decode(std::string("\xFF\xFF\0\xEC\xE0", 5)).Text, "\xFF\xEC\xE0");
    // Only one zero goes, and a pair at the very end is kept.
    EXPECT_EQ(Decode(std::string("\xFF\xFF\0\0x", 5)).Text, std::string("\xFF\0x", 3));
    EXPECT_EQ(Decode("x\xFF\xFF").Text, "x\xFF");
}

TEST(IncomingLine, OtherTelnetCommandsAreDroppedWithTheirIac) {
    // GA after a prompt, NOP, and a sub-negotiation whose body stays as text.
    EXPECT_EQ(Decode("Name: \xFF\xF9").Text, "Name: ");
    EXPECT_EQ(Decode("a\xFF\xF1"
                     "b")
                  .Text,
              "ab");
    EXPECT_EQ(Decode("\xFF\xFA\x18\x01\xFF\xF0ok").Text, "\x18\x01ok");
}

TEST(IncomingLine, IncompleteSequencesAtTheEndAreDropped) {
    for (const char* tail :
         {"\x1B", "\x1B[", "\xFF", "\xFF\xFB", "\xFF\xFD", "\xFF\xFE", "\xFF\xFC"}) {
        const Decoded d = Decode(std::string("text") + tail);
        EXPECT_EQ(d.Text, "text") << tail;
        EXPECT_TRUE(d.Negotiated.empty()) << tail;
    }
}

TEST(IncomingLine, AnsiColoursBecomeOneColourBytePerParameter) {
    EXPECT_EQ(Decode("\x1B[1;31mX").Text, "\x8F\x89X");
    EXPECT_EQ(Decode("\x1B[1;33mgold").Text, "\x8F\x8Bgold");
    EXPECT_EQ(Decode("\x1B[44mX").Text, "\x84X"); // a background selects the foreground
    EXPECT_EQ(Decode("\x1B[32mg\x1B[0mn").Text, "\x82g\x87n");
    // The empty parameter repeats the state, "0" returns to light grey.
    EXPECT_EQ(Decode("\x1B[1;32m\x1B[m+\x1B[0m-").Text, "\x8F\x8A\x8A+\x87-");
    // The state starts at 7 on every line.
    EXPECT_EQ(Decode("\x1B[1m").Text, "\x8F");
    EXPECT_EQ(Decode("\x1B[m").Text, "\x87");
    // Parameters of other lengths leave the state; two characters always pick a colour.
    EXPECT_EQ(Decode("\x1B[1;100;22mX").Text, "\x8F\x8F\x8AX");
    EXPECT_EQ(Decode("\x1B[5;2m").Text, "\x87\x87");
}

TEST(IncomingLine, ASequenceRunsToTheNextMWhateverItIs) {
    // Cursor movement is no colour: the text up to the next "m" is swallowed.
    EXPECT_EQ(Decode("\x1B[2Jclear screen, then more text").Text, "\x87ore text");
    // Without any "m" the rest of the line is the parameter, and one colour byte comes out.
    EXPECT_EQ(Decode("a\x1B[12;34;5").Text, "a\x82\x84\x84");
    EXPECT_EQ(Decode("a\x1B[unended").Text, "a\x87");
    // An ESC not followed by "[" goes, the byte after it stays as it is.
    EXPECT_EQ(Decode("a\x1B(b").Text, "a(b");
    const Decoded escIac = Decode("a\x1B\xFF\xFB\x01");
    EXPECT_EQ(escIac.Text, "a\xFF\xFB\x01");
    EXPECT_TRUE(escIac.Negotiated.empty());
    // Telnet bytes inside a sequence are part of it.
    EXPECT_EQ(Decode("\x1B[\xFF\xFB\x01m").Text, "\x87");
}

TEST(IncomingLine, OnlyMarkerBytesAsTheServerSentThemCanOpenACode) {
    // Either marker byte, also after a negotiation (which is no text).
    EXPECT_EQ(Decode("\x80\x80l12").WireMarkers, 2);
    EXPECT_EQ(Decode("\x10\x80l12").WireMarkers, 2);
    EXPECT_EQ(Decode("\xFF\xFB\x01\x80\x80h1/2").WireMarkers, 2);
    // Black on black from ANSI sequences gives the same two bytes, but no marker.
    const Decoded black = Decode("\x1B[30m\x1B[40mh35/120");
    EXPECT_EQ(black.Text, "\x80\x80h35/120");
    EXPECT_EQ(black.WireMarkers, 0);
    EXPECT_EQ(Decode("\x1B[30;40mct").WireMarkers, 0);
    // Half of each kind is not enough, in either order.
    EXPECT_EQ(Decode("\x80\x1B[30mn").Text, "\x80\x80n");
    EXPECT_EQ(Decode("\x80\x1B[30mn").WireMarkers, 1);
    EXPECT_EQ(Decode("\x1B[30m\x80n").Text, "\x80\x80n");
    EXPECT_EQ(Decode("\x1B[30m\x80n").WireMarkers, 0);
    EXPECT_EQ(Decode("\x10\x1B[0;30mn").WireMarkers, 1);
    // Other first bytes are no marker at all.
    EXPECT_EQ(Decode("\x81\x80l1").WireMarkers, 0);
    EXPECT_EQ(Decode("").WireMarkers, 0);
    EXPECT_EQ(Decode("\x80").WireMarkers, 1);
}

TEST(IncomingLine, ApplyAnsiParameterDigitsWrapIntoTheEightColours) {
    std::string decoded;
    uint8_t state = 7;
    std::string parameter = "39";
    ApplyAnsiParameter(parameter, state, decoded);
    EXPECT_EQ(state, 1);
    EXPECT_TRUE(parameter.empty());
    parameter = "1";
    ApplyAnsiParameter(parameter, state, decoded);
    EXPECT_EQ(state, 9);
    parameter = "3 "; // (' ' - '0') & 7 is 0, and the bright bit stays
    ApplyAnsiParameter(parameter, state, decoded);
    EXPECT_EQ(state, 8);
    parameter = "x";
    ApplyAnsiParameter(parameter, state, decoded);
    EXPECT_EQ(state, 8);
    EXPECT_EQ(decoded, "\x81\x89\x88\x88");
}

} // namespace
} // namespace tolmix
