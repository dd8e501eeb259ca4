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

TEST(IncomingLine, OnlyMarkerBytesAsTheServerSentThemCanOpenACode) {
    // Either marker byte.
    EXPECT_EQ(Decode("\x80\x80l12").WireMarkers, 2);
    EXPECT_EQ(Decode("\x10\x80l12").WireMarkers, 2);
    // Black on black asked for twice gives the same two bytes, but no marker.
    const Decoded black = Decode("\x1B[30;40m\x1B[30;40mh35/120");
    EXPECT_EQ(black.Text, "\x80\x80h35/120");
    EXPECT_EQ(black.WireMarkers, 0);
    EXPECT_EQ(Decode("\x1B[30;40m\x1B[0;30;40mct").WireMarkers, 0);
    // Half of each kind is not enough, in either order.
    EXPECT_EQ(Decode("\x80\x1B[30;40mn").Text, "\x80\x80n");
    EXPECT_EQ(Decode("\x80\x1B[30;40mn").WireMarkers, 1);
    EXPECT_EQ(Decode("\x1B[30;40m\x80n").Text, "\x80\x80n");
    EXPECT_EQ(Decode("\x1B[30;40m\x80n").WireMarkers, 0);
    EXPECT_EQ(Decode("\x10\x1B[0;30;40mn").WireMarkers, 1);
    // Other first bytes are no marker at all.
    EXPECT_EQ(Decode("\x81\x80l1").WireMarkers, 0);
    EXPECT_EQ(Decode("").WireMarkers, 0);
    EXPECT_EQ(Decode("\x80").WireMarkers, 1);
}

// Each line decoded with the colours the line before it left.
std::vector<std::string> DecodeLines(std::initializer_list<std::string_view> lines) {
    std::vector<std::string> texts;
    SgrState colours;
    for (std::string_view line : lines) {
        const DecodedLine d = DecodeIncomingLine(line, colours);
        texts.push_back(d.Text);
        colours = d.Colours;
    }
    return texts;
}

TEST(IncomingLine, SgrSetsForegroundAndBackgroundAsTheServerMeantThem) {
    // Grey on black, and it stays so on the next line.
    EXPECT_EQ(DecodeLines({"\x1B[37;40mgrey", "next"}),
              (std::vector<std::string>{"\x87grey", "next"}));
    // White on blue: the background follows the colour byte as a mark.
    EXPECT_EQ(Decode("\x1B[1;37;44mWhite on blue").Text, "\x8F\x98"
                                                         "DWhite on blue");
    EXPECT_EQ(Decode("\x1B[38;5;196mred").Text, "\x89red");
    EXPECT_EQ(Decode("\x1B[38;2;0;255;0mgreen").Text, "\x8Agreen");
    EXPECT_EQ(Decode("\x1B[38:2::0:255:0mgreen").Text, "\x8Agreen");
    EXPECT_EQ(Decode("\x1B[48;5;21m").Text, "\x87\x98"
                                            "L");
    // 39 is the default grey, 22 ends bold, 2 is normal intensity too.
    EXPECT_EQ(Decode("\x1B[31mr\x1B[39md").Text, "\x81r\x87"
                                                 "d");
    EXPECT_EQ(Decode("\x1B[1;32mG\x1B[22mg\x1B[1m\x1B[2mg").Text, "\x8AG\x82g\x8A\x82g");
    // Underline shows as bright; reverse swaps; 24 and 27 undo them.
    EXPECT_EQ(Decode("\x1B[4;36mu\x1B[24mn").Text, "\x8Eu\x86n");
    EXPECT_EQ(Decode("\x1B[7;31;43mr\x1B[27mn").Text, "\x83\x98"
                                                      "Ar\x81\x98"
                                                      "Cn");
    // Blink is ignored.
    EXPECT_EQ(Decode("\x1B[5;33mb\x1B[25mb").Text, "\x83"
                                                   "b\x83"
                                                   "b");
}

TEST(IncomingLine, ColoursCarryOverLinesUntilTheServerChangesThem) {
    // Bold given on a later line brightens the red of an earlier one; the background stays.
    EXPECT_EQ(DecodeLines({"\x1B[31;44mred", "plain", "\x1B[1mbright", "\x1B[0mgrey"}),
              (std::vector<std::string>{"\x81\x98"
                                        "Dred",
                                        "plain",
                                        "\x89\x98"
                                        "Dbright",
                                        "\x87grey"}));
    // The server's own colour bytes pass as they are, and SGR goes on from what they show:
    // their colour on black.
    EXPECT_EQ(DecodeLines({"\x1B[44m\x81red", "\x1B[1mbright",
                           "\x1B[7m\x1C"
                           "blue"}),
              (std::vector<std::string>{"\x87\x98"
                                        "D\x81red",
                                        "\x89"
                                        "bright",
                                        "\x80\x98"
                                        "I\x1C"
                                        "blue"}));
    // The markers of a server code colour nothing.
    EXPECT_EQ(DecodeLines({"\x1B[31m", "\x80\x80h1/2", "\x10\x80n\x80x", "\x1B[1mX"}).back(),
              "\x89X");
    // A line cut in a sequence leaves the colours as they were before it.
    const DecodedLine cut = DecodeIncomingLine("\x1B[31mx\x1B[4", {});
    EXPECT_EQ(cut.Text, "\x81x");
    SgrState red;
    red.Foreground = SgrColour::Palette(1);
    EXPECT_EQ(cut.Colours, red);
}

TEST(IncomingLine, TextIsInvisibleOnlyWhenTheServerAskedForEqualColours) {
    // Black on the window's black background is shown dark grey; asked for twice it stays.
    EXPECT_EQ(Decode("\x1B[30mx").Text, "\x88x");
    EXPECT_EQ(Decode("\x1B[30;40mx").Text, "\x80x");
    EXPECT_EQ(Decode("\x1B[34;44mx").Text, "\x84\x98"
                                           "Dx");
    // Two different colours that the console shows alike are told apart.
    EXPECT_EQ(Decode("\x1B[38;2;10;10;10;48;2;0;0;0mx").Text, "\x88x");
    EXPECT_EQ(Decode("\x1B[31;48;5;124mx").Text, "\x89\x98"
                                                 "Ax");
    // Reverse of the defaults is black on grey.
    EXPECT_EQ(Decode("\x1B[7mx").Text, "\x80\x98"
                                       "Gx");
}

TEST(IncomingLine, SgrColoursCannotForgeAServerCode) {
    // Black on black twice and a background mark: never marker bytes as the server sent them.
    for (const char* line : {"\x1B[30;40m\x1B[30;40mh35/120", "\x1B[0;30;40m\x1B[mh1/2",
                             "\x1B[40;30m\x80h1/2", "\x1B[30;40;7m\x1B[7;30;40mn"}) {
        const Decoded d = Decode(line);
        EXPECT_EQ(d.WireMarkers, 0) << line;
        ASSERT_GE(d.Text.size(), 2u);
        EXPECT_EQ(d.Text[0], '\x80') << line;
    }
    // Nor can the server send a background mark of its own: the mark's lead byte, which
    // Windows-1251 leaves unused, is shown as "?".
    EXPECT_EQ(Decode("\x87\x98"
                     "Dx\x98")
                  .Text,
              "\x87?Dx?");
    // A server code keeps colour bytes in its text as before, but no background mark.
    const Decoded code = Decode("\x80\x80nBob\x1B[41mred");
    EXPECT_EQ(code.WireMarkers, 2);
    EXPECT_EQ(code.Text, "\x80\x80nBob\x80red");
}

} // namespace
} // namespace tolmix
