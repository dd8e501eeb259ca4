#include "net/IncomingLine.h"

#include <gtest/gtest.h>

#include <vector>

namespace tolmix {
namespace {

struct Decoded {
    std::string Text;
    int WireMarkers = 0;
};

Decoded Decode(std::string_view line) {
    const DecodedLine decoded = DecodeIncomingLine(line);
    return Decoded{decoded.Text, decoded.WireMarkers};
}

TEST(IncomingLine, PlainTextAndTheServersOwnColourBytesPassUnchanged) {
    const std::string line("\x80\x80l12 \x8F\xE0\xE1\0tail", 14);
    const Decoded d = Decode(line);
    EXPECT_EQ(d.Text, line);
    EXPECT_EQ(Decode("").Text, "");
    // The telnet reader took the commands out before: 0xFF is the letter "ya" as it stands.
    EXPECT_EQ(Decode("\xEC\xFF\xF7 \xFF").Text, "\xEC\xFF\xF7 \xFF");
}

TEST(IncomingLine, IncompleteSequencesAtTheEndAreDropped) {
    for (const char* tail : {"\x1B", "\x1B["}) {
        const Decoded d = Decode(std::string("text") + tail);
        EXPECT_EQ(d.Text, "text") << tail;
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
    EXPECT_EQ(Decode("a\x1B\xFF\xFB\x01").Text, "a\xFF\xFB\x01");
    // Bytes such as 0xFF inside a sequence are part of it.
    EXPECT_EQ(Decode("\x1B[\xFF\xFB\x01m").Text, "\x87");
}

TEST(IncomingLine, OnlyMarkerBytesAsTheServerSentThemCanOpenACode) {
    // Either marker byte.
    EXPECT_EQ(Decode("\x80\x80l12").WireMarkers, 2);
    EXPECT_EQ(Decode("\x10\x80l12").WireMarkers, 2);
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
