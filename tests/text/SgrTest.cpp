#include "text/Sgr.h"
#include "text/CodePage.h"
#include "text/ColourBytes.h"

#include <gtest/gtest.h>

namespace tolmix {
namespace {

SgrState Applied(std::string_view parameters, SgrState state = {}) {
    ApplySgr(parameters, state);
    return state;
}

ConsoleColours Shown(std::string_view parameters) {
    return ShownColours(Applied(parameters));
}

TEST(Sgr, PaletteEntriesAndRgbGoToTheNearestConsoleColour) {
    // The cube's corners and edges, and the grey ramp's ends and middle.
    const std::vector<std::pair<int, int>> palette = {
        {16, 0},   {196, 9}, {46, 10}, {21, 12}, {226, 11}, {201, 13}, {51, 14},
        {231, 15}, {124, 1}, {28, 2},  {18, 4},  {232, 0},  {238, 8},  {244, 7},
        {255, 15}, {3, 3},   {11, 11}, {208, 3}, {90, 5},   {30, 6},
    };
    for (const auto& [index, console] : palette) {
        EXPECT_EQ(NearestConsoleColour(PaletteRgb(index)), console) << index;
        EXPECT_EQ(Shown("48:5:" + std::to_string(index)).Background, console) << index;
    }
    EXPECT_EQ(PaletteRgb(16 + 36 * 1 + 6 * 2 + 3), 0x5F87AFu);
    EXPECT_EQ(PaletteRgb(232), 0x080808u);
    EXPECT_EQ(PaletteRgb(255), 0xEEEEEEu);
    EXPECT_EQ(NearestConsoleColour(0xFF0000), 9);
    EXPECT_EQ(NearestConsoleColour(0x00FF00), 10);
    EXPECT_EQ(NearestConsoleColour(0xA00000), 1);
    EXPECT_EQ(NearestConsoleColour(0x303030), 8);
    EXPECT_EQ(NearestConsoleColour(0xFFFFFF), 15);
    EXPECT_EQ(Shown("38;2;0;255;0").Foreground, 10);
    EXPECT_EQ(Shown("38:2::255:255:0").Foreground, 11); // with the colour space left empty
    EXPECT_EQ(Shown("38:2:0:0:255").Foreground, 12);    // and without it
    EXPECT_EQ(Shown("48;2;0;160;160").Background, 6);
}

TEST(Sgr, TheBasicColoursAndTheirResets) {
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(Applied(std::to_string(30 + i)).Foreground, SgrColour::Palette(i));
        EXPECT_EQ(Applied(std::to_string(90 + i)).Foreground, SgrColour::Palette(8 + i));
        EXPECT_EQ(Applied(std::to_string(40 + i)).Background, SgrColour::Palette(i));
        EXPECT_EQ(Applied(std::to_string(100 + i)).Background, SgrColour::Palette(8 + i));
    }
    const SgrState all = Applied("1;4;7;31;42");
    EXPECT_TRUE(all.Bold && all.Underline && all.Reverse);
    EXPECT_EQ(Applied("39;49", all).Foreground, SgrColour{});
    EXPECT_EQ(Applied("39;49", all).Background, SgrColour{});
    EXPECT_EQ(Applied("0", all), SgrState{});
    EXPECT_EQ(Applied("", all), SgrState{}); // an empty list is 0
    EXPECT_EQ(Applied(";", all), SgrState{});
    EXPECT_FALSE(Applied("22", all).Bold);
    EXPECT_FALSE(Applied("24", all).Underline);
    EXPECT_FALSE(Applied("4:0", all).Underline);
    EXPECT_TRUE(Applied("4:3").Underline);
    EXPECT_FALSE(Applied("27", all).Reverse);
    // What the console cannot show changes nothing: blink, italic, conceal, strike-through.
    EXPECT_EQ(Applied("5;25;3;23;8;28;9;29;6;21;53", all), all);
}

TEST(Sgr, ExtendedColoursTakeTheirOwnParametersAndNoMore) {
    // The numbers of an extended colour are never read as parameters of their own: 1 as bold,
    // 4 as underline, 7 as reverse, 2 as normal intensity.
    const SgrState bold = Applied("1");
    EXPECT_EQ(Applied("38;5;1", bold), Applied("1;38;5;1"));
    EXPECT_FALSE(Applied("58;5;4").Underline);
    EXPECT_FALSE(Applied("58;2;7;7;7").Reverse);
    EXPECT_EQ(Applied("58;2;7;7;7;31").Foreground, SgrColour::Palette(1));
    EXPECT_TRUE(Applied("1;48;2;1;2;3").Bold);
    EXPECT_EQ(Applied("48;2;1;2;3;4").Background, SgrColour::FromRgb(0x010203));
    EXPECT_TRUE(Applied("48;2;1;2;3;4").Underline);
    // Malformed ones change nothing: unknown mode, values out of range, missing numbers.
    const SgrState red = Applied("31;41");
    for (const char* broken : {"38;6;1", "38;5;256", "38;2;1;2;300", "38;5", "38;2;1;2", "38",
                               "38:5", "38:2:1:2", "38;5;99999999999999", "48:9:1"})
        EXPECT_EQ(Applied(broken, red), red) << broken;
    // After a kind of colour not known, nothing of the sequence is read: its numbers are not
    // parameters.
    EXPECT_EQ(Applied("38;6;1;4;7", red), red);
    EXPECT_TRUE(Applied("38;5;300;1", red).Bold);
}

TEST(Sgr, BoldAndUnderlineBrightenOnlyTheBasicColours) {
    EXPECT_EQ(Shown("1").Foreground, 15);
    EXPECT_EQ(Shown("1;34").Foreground, 12);
    EXPECT_EQ(Shown("4;34").Foreground, 12);
    EXPECT_EQ(Shown("1;94").Foreground, 12);
    EXPECT_EQ(Shown("1;38;5;1").Foreground, 9);
    // A 256-colour or RGB colour is exactly what was asked for.
    EXPECT_EQ(Shown("1;38;5;124").Foreground, 1);
    EXPECT_EQ(Shown("1;38;2;160;0;0").Foreground, 1);
    // The background is never brightened.
    EXPECT_EQ(Shown("1;44").Background, 4);
}

TEST(Sgr, ReverseSwapsAndNothingUnaskedIsInvisible) {
    EXPECT_EQ(Shown("7"), (ConsoleColours{0, 7}));
    EXPECT_EQ(Shown("7;1;31;44"), (ConsoleColours{4, 9}));
    // The same colour asked for both: shown so.
    EXPECT_EQ(Shown("37;47"), (ConsoleColours{7, 7}));
    EXPECT_EQ(Shown("38;5;200;48;5;200"), (ConsoleColours{13, 13}));
    EXPECT_EQ(Shown("7;32;42"), (ConsoleColours{2, 2}));
    // Different colours that look the same: the foreground turns to its other intensity.
    EXPECT_EQ(Shown("30"), (ConsoleColours{8, 0}));
    EXPECT_EQ(Shown("1;37;107"), (ConsoleColours{7, 15}));
    EXPECT_EQ(Shown("7;30"), (ConsoleColours{8, 0})); // black on the default, reversed
    EXPECT_EQ(Shown("31;48;2;160;0;0"), (ConsoleColours{9, 1}));
    // Nothing is ever invisible without being asked for.
    for (int fg = 0; fg < 256; fg += 5) {
        for (int bg = 0; bg < 256; bg += 7) {
            if (fg == bg)
                continue;
            const ConsoleColours c =
                Shown("38;5;" + std::to_string(fg) + ";48;5;" + std::to_string(bg));
            EXPECT_NE(c.Foreground, c.Background) << fg << " on " << bg;
        }
    }
}

TEST(Sgr, ColoursBecomeAColourByteAndABackgroundMark) {
    std::string text;
    AppendColourBytes({9, 0}, text);
    EXPECT_EQ(text, "\x89");
    AppendColourBytes({7, 4}, text);
    EXPECT_EQ(text, "\x89\x87\x98"
                    "D");
    AppendColourBytes({0, 15}, text);
    EXPECT_EQ(text, "\x89\x87\x98"
                    "D\x80\x98"
                    "O");
    // The mark's lead is the one console byte that only it becomes.
    EXPECT_EQ(AnsiCharToConsole(static_cast<uint8_t>(AnsiBackgroundMark)),
              static_cast<uint8_t>(BackgroundMark));
    for (int c = 0; c < 256; ++c) {
        if (c == static_cast<uint8_t>(AnsiBackgroundMark))
            continue;
        EXPECT_NE(AnsiCharToConsole(static_cast<uint8_t>(c)), static_cast<uint8_t>(BackgroundMark));
    }
    // The marks' console attribute: the background nibble of the colour's console number.
    EXPECT_EQ(BackgroundMarkAttr('D'), 0x10); // blue
    EXPECT_EQ(BackgroundMarkAttr('A'), 0x40); // red
    EXPECT_EQ(BackgroundMarkAttr('O'), 0xF0);
    EXPECT_TRUE(IsBackgroundMark("\xB8"
                                 "D",
                                 0));
    EXPECT_FALSE(IsBackgroundMark("\xB8"
                                  "P",
                                  0));
    EXPECT_FALSE(IsBackgroundMark("\xB8", 0));
    // The log's text keeps neither, but keeps a lead byte that opens no mark.
    EXPECT_EQ(WithoutColours("\x11red\x17\xB8"
                             "Dblue\xB8"
                             "Z\x1B"
                             "D\xB8"),
              "redblue\xB8"
              "ZD\xB8");
}

} // namespace
} // namespace tolmix
