#include "app/TextPrinter.h"
#include "support/DefaultScreen.h"
#include "support/FakeClipboard.h"
#include "support/FakeEventLoop.h"
#include "support/FakeTerminal.h"
#include "support/FakeWallClock.h"
#include "support/ScreenText.h"
#include "text/CodePage.h"
#include "ui/ConsoleScreen.h"

#include <gtest/gtest.h>

#include <limits>

namespace tolmix {
namespace {

using namespace std::chrono_literals;

// A printer on an 80x25 fake console with the default layout: output rows 0-20, separator
// 21, panel 23-24. It records what it hands on; music and plugins are there when a test says
// so.
class Printer : public ::testing::Test, public PrintedLineTargets {
  protected:
    Printer() {
        Con.SetBufferSize(MakeCoord(80, 25));
        Con.FillRect(MakeCoord(0, 21), 80, 1, 0xC4, 7);
    }

    void AppendLog(const std::string& line) override { Logged.push_back(line); }
    void BeginEditMode(const std::string& text) override {
        EditText = text;
        ++EditModeStarts;
    }
    void SendVersion() override { Calls.push_back("v"); }
    bool HasMusic() const override { return MusicAndPlugins; }
    bool HasPlugins() const override { return MusicAndPlugins; }
    void PlaySoundCommand(const std::string& c) override { Calls.push_back("p:" + c); }
    void StopMusic() override { Calls.push_back("P"); }
    void GameCode(char letter, const std::string& a) override {
        Calls.push_back(std::string("g") + letter + ":" + a);
    }

    std::string OutputRow(int64_t row) const {
        std::string text;
        for (int x = 0; x < 80; ++x)
            text += static_cast<char>(Output.At(row, x).Char);
        return text.substr(0, text.find_last_not_of(' ') + 1);
    }

    test::FakeTerminal Term;
    test::FakeEventLoop Loop;
    test::FakeClipboard Clip;
    test::FakeWallClock Wall;
    ConsoleScreen Con{Term};
    OutputBuffer Output{Con, 80, 100, 21};
    CharacterStatus State;
    GameClock Clock{Wall};
    StatusPanel Panel{Con, Term, Loop, State, Clock, test::DefaultPanel()};
    TextPrinter Print{Con, Output, State, Clock, Panel, *this, true, '.'};
    bool MusicAndPlugins = false;
    std::vector<std::string> Calls;
    std::vector<std::string> Logged;
    std::string EditText;
    int EditModeStarts = 0;
};

TEST_F(Printer, MarkerBytesOfTheWireAndOfTheConsoleBothOpenACode) {
    Print.PrintLine("\x80\x80l12");
    EXPECT_EQ(State.Status[Level], 12);
    Print.PrintLine("\x10\x10l34");
    EXPECT_EQ(State.Status[Level], 34);
    Print.PrintLine("\x80\x10l56");
    EXPECT_EQ(State.Status[Level], 56);
    EXPECT_EQ(Output.RowCount(), 0);
    EXPECT_TRUE(Logged.empty());
    EXPECT_FALSE(Panel.ActivityPending());
}

TEST_F(Printer, TwoMarkerBytesAloneAreABlankRowThatLeavesTheColourBlack) {
    Print.PrintLine("\x80\x80");
    EXPECT_EQ(Output.RowCount(), 1);
    EXPECT_EQ(Output.TextAttr(), 0x00);
    Print.PrintLine("unseen");
    EXPECT_EQ(Output.At(1, 0).Attr, 0x00);
    ASSERT_EQ(Logged.size(), 2u);
    EXPECT_EQ(Logged[0], "");
    EXPECT_EQ(Logged[1], "unseen");
}

TEST_F(Printer, PrintedLinesAreLoggedWithoutColourBytesAndCountAsActivity) {
    Print.PrintLine("\x8B"
                    "gold \x87"
                    "coins");
    EXPECT_EQ(OutputRow(0), "gold coins");
    EXPECT_EQ(Output.At(0, 0).Attr, 0x0E);
    EXPECT_EQ(Output.At(0, 5).Attr, 0x07);
    ASSERT_EQ(Logged.size(), 1u);
    EXPECT_EQ(Logged[0], "gold coins");
    EXPECT_TRUE(Panel.ActivityPending());

    TextPrinter quiet{Con, Output, State, Clock, Panel, *this, false, '.'};
    Panel.FlashStep(); // the window is in front: nothing waits unseen any more
    ASSERT_FALSE(Panel.ActivityPending());
    quiet.PrintLine("text");
    EXPECT_FALSE(Panel.ActivityPending());
}

TEST_F(Printer, BackgroundMarksColourTheScreenButNeverTheLog) {
    // White on blue, then the server's own bright yellow before a "D": a colour byte and a
    // letter, no mark.
    Print.PrintTextLine("\x87\x98"
                        "Dsea\x8B"
                        "Danger");
    EXPECT_EQ(OutputRow(0), "seaDanger");
    EXPECT_EQ(Output.At(0, 0).Attr, 0x17);
    EXPECT_EQ(Output.At(0, 3), (Cell{'D', 0x0E}));
    ASSERT_EQ(Logged.size(), 1u);
    EXPECT_EQ(Logged[0], "seaDanger");
    // The background carries to the next line, and to an unfinished one, which gives it back
    // when it is taken away.
    Print.PrintTextLine("\x81\x98"
                        "Gred on grey");
    Print.PrintTextLine("more");
    EXPECT_EQ(Output.At(2, 0).Attr, 0x74);
    Print.ShowUnfinishedLine("\x82\x98"
                             "Aprompt");
    EXPECT_EQ(Output.At(3, 0).Attr, 0x42);
    Print.RemoveUnfinishedLine();
    EXPECT_EQ(Output.TextAttr(), 0x74);
    EXPECT_EQ(Logged.back(), "more");
}

TEST_F(Printer, PairsTakeTheirFieldsFromEitherSideOfTheFirstSlash) {
    Print.PrintLine("\x10\x10h35/120");
    EXPECT_EQ(State.Status[Health], 35);
    EXPECT_EQ(State.Status[HealthMax], 120);
    Print.PrintLine("\x10\x10h35");
    EXPECT_EQ(State.Status[Health], 0);
    EXPECT_EQ(State.Status[HealthMax], 35);
    Print.PrintLine("\x10\x10m10/20/30");
    EXPECT_EQ(State.Status[Mana], 10);
    EXPECT_EQ(State.Status[ManaMax], 0);
    Print.PrintLine("\x10\x10w $10/-7");
    EXPECT_EQ(State.Status[Moves], 16);
    EXPECT_EQ(State.Status[MovesMax], -7);
    Print.PrintLine("\x10\x10x1500/1999");
    EXPECT_EQ(State.Status[Experience], 1500);
    EXPECT_EQ(State.Status[ExperienceMax], 1999);
    Print.PrintLine("\x10\x10u4/6");
    EXPECT_EQ(State.Status[Hunger], 4);
    EXPECT_EQ(State.Status[Thirst], 6);
    Print.PrintLine("\x10\x10"
                    "d2");
    EXPECT_EQ(State.Status[FreeHands], 2);
}

TEST_F(Printer, QuadruplesFillFromTheRightEnd) {
    const auto load = [&] {
        return std::array{State.Status[Load1], State.Status[Load2], State.Status[Load3],
                          State.Status[LoadCapacity]};
    };
    Print.PrintLine("\x10\x10o1/2/3/4");
    EXPECT_EQ(load(), (std::array{1, 2, 3, 4}));
    Print.PrintLine("\x10\x10o1/2");
    EXPECT_EQ(load(), (std::array{1, 0, 0, 2}));
    Print.PrintLine("\x10\x10o5");
    EXPECT_EQ(load(), (std::array{0, 0, 0, 5}));
    Print.PrintLine("\x10\x10o1/2/3/4/5");
    EXPECT_EQ(load(), (std::array{1, 2, 3, 0}));
}

TEST_F(Printer, OptionalGaugesFollowTheirSubLetter) {
    Print.PrintLine("\x10\x10"
                    "ef3/9");
    Print.PrintLine("\x10\x10"
                    "ew4/8");
    Print.PrintLine("\x10\x10"
                    "eb5/7");
    Print.PrintLine("\x10\x10"
                    "ee6/6");
    Print.PrintLine("\x10\x10"
                    "eF7/5");
    Print.PrintLine("\x10\x10"
                    "eq1/1");
    EXPECT_EQ(State.Status[Fire], 3);
    EXPECT_EQ(State.Status[FireMax], 9);
    EXPECT_EQ(State.Status[WaterMax], 8);
    EXPECT_EQ(State.Status[Blood], 5);
    EXPECT_EQ(State.Status[EtherMax], 6);
    EXPECT_EQ(State.Status[Strength], 7);
    EXPECT_EQ(State.Status[StrengthMax], 5);
    EXPECT_EQ(Output.RowCount(), 0);
}

TEST_F(Printer, NumbersThatDoNotFitOrDoNotParseReadAsZero) {
    Print.PrintLine("\x10\x10l2147483647");
    EXPECT_EQ(State.Status[Level], 2147483647);
    Print.PrintLine("\x10\x10l2147483648");
    EXPECT_EQ(State.Status[Level], 0);
    Print.PrintLine("\x10\x10l-2147483648");
    EXPECT_EQ(State.Status[Level], std::numeric_limits<int32_t>::min());
    Print.PrintLine("\x10\x10l$FFFFFFFF");
    EXPECT_EQ(State.Status[Level], -1);
    Print.PrintLine("\x10\x10l$1FFFFFFFF");
    EXPECT_EQ(State.Status[Level], 0);
    Print.PrintLine("\x10\x10l12abc");
    EXPECT_EQ(State.Status[Level], 0);
    Print.PrintLine("\x10\x10h99999999999999999999/5");
    EXPECT_EQ(State.Status[Health], 0);
    EXPECT_EQ(State.Status[HealthMax], 5);
}

TEST_F(Printer, CountdownIsADecimalWithThePointOrTheLocaleSeparator) {
    Print.PrintLine("\x10\x10"
                    "a2.5");
    EXPECT_DOUBLE_EQ(State.Countdown, 2.5);
    Print.PrintLine("\x10\x10"
                    "a1e1");
    EXPECT_DOUBLE_EQ(State.Countdown, 10);
    Print.PrintLine("\x10\x10"
                    "a-0.5");
    EXPECT_DOUBLE_EQ(State.Countdown, -0.5);
    for (const char* bad : {"a2,5", "aabc", "ainf", "anan", "a1e999", "a", "a2.5s"}) {
        State.Countdown = 7;
        Print.PrintLine(std::string("\x10\x10") + bad);
        EXPECT_EQ(State.Countdown, 0) << bad;
    }
    TextPrinter russian{Con, Output, State, Clock, Panel, *this, true, ','};
    russian.PrintLine("\x10\x10"
                      "a2,5");
    EXPECT_DOUBLE_EQ(State.Countdown, 2.5);
    russian.PrintLine("\x10\x10"
                      "a3.5");
    EXPECT_DOUBLE_EQ(State.Countdown, 3.5);
}

TEST_F(Printer, GameTimeIsSixtyFourBitsAndRunsFourTimesAsFast) {
    Print.PrintLine("\x10\x10t63932457600000");
    EXPECT_EQ(Clock.Value(), 63932457600000);
    Wall.Advance(1000ms);
    EXPECT_EQ(Clock.GameClockNow(), 63932457604000);
    Wall.Advance(2500ms);
    EXPECT_EQ(Clock.GameClockNow(), 63932457614000);
    Print.PrintLine("\x10\x10t99999999999999999999");
    EXPECT_EQ(Clock.Value(), 0);
    Wall.Advance(1000ms);
    EXPECT_EQ(Clock.GameClockNow(), 0);
    // Near the end of its range the clock stops instead of wrapping.
    Print.PrintLine("\x10\x10t9223372036854775000");
    Wall.Advance(1000ms);
    EXPECT_EQ(Clock.GameClockNow(), std::numeric_limits<int64_t>::max());
}

TEST_F(Printer, AnEmptyTimeHidesTheClock) {
    Print.PrintLine("\x10\x10t63932457600000");
    Panel.DrawGameClock(Clock.GameClockNow());
    const std::string shown = test::RowText(Con.Cells(), 21);
    EXPECT_NE(shown.find("09 Dec 2026, 00:00:00"), std::string::npos) << shown;
    Print.PrintLine("\x10\x10t");
    EXPECT_EQ(Clock.GameClockNow(), 0);
    Panel.DrawGameClock(Clock.GameClockNow());
    EXPECT_TRUE(test::RowIs(Con.Cells(), 21, 0xC4, 7)) << test::RowText(Con.Cells(), 21);
}

TEST_F(Printer, UnsupportedCodesShowInRedButAreNotLoggedNorActivity) {
    Print.PrintLine("\x10\x10zabc");
    EXPECT_EQ(OutputRow(0), "Got unsupported code: zabc");
    EXPECT_EQ(Output.At(0, 0).Attr, 0x04);
    EXPECT_TRUE(Logged.empty());
    EXPECT_FALSE(Panel.ActivityPending());
    // Music and plugins are not there: their codes are unsupported too.
    Print.PrintLine("\x10\x10pC4");
    Print.PrintLine("\x10\x10P");
    Print.PrintLine("\x10\x10gsgame");
    EXPECT_EQ(OutputRow(1), "Got unsupported code: pC4");
    EXPECT_EQ(OutputRow(2), "Got unsupported code: P");
    EXPECT_EQ(OutputRow(3), "Got unsupported code: gsgame");
}

TEST_F(Printer, TheServersColourOutlastsAnUnsupportedCodeMessage) {
    Print.PrintLine("\x8Agreen");
    Print.PrintLine("\x10\x10zabc");
    Print.PrintLine("still green");
    EXPECT_EQ(Output.At(1, 0).Attr, 0x04);
    EXPECT_EQ(Output.At(2, 0).Attr, 0x0A) << OutputRow(2);
    // Light grey likewise stays light grey, not red.
    Print.PrintLine("\x87grey");
    Print.PrintLine("\x10\x10qx");
    Print.PrintLine("grey");
    EXPECT_EQ(Output.At(5, 0).Attr, 0x07) << OutputRow(5);
}

TEST_F(Printer, MusicPluginAndVersionCodesReachTheirHooks) {
    MusicAndPlugins = true;
    Print.PrintLine("\x10\x10pI40 C4 E4");
    Print.PrintLine("\x10\x10Pignored");
    Print.PrintLine("\x10\x10gsdice\x80"
                    "1");
    Print.PrintLine("\x10\x10g");
    Print.PrintLine("\x10\x10v");
    EXPECT_EQ(Calls, (std::vector<std::string>{"p:I40 C4 E4", "P",
                                               "gs:dice\x10"
                                               "1",
                                               "v"}));
    EXPECT_EQ(Output.RowCount(), 0);
}

TEST_F(Printer, TheServerEditorGetsItsLinesWithoutTheHeader) {
    Print.PrintLine("\x10\x10"
                    "ct2\x10look\x10north");
    EXPECT_EQ(EditText, "look\r\nnorth");
    Print.PrintLine("\x10\x10"
                    "ct\x80"
                    "one\x80\x80three");
    EXPECT_EQ(EditText, "one\r\n\r\nthree");
    Print.PrintLine("\x10\x10"
                    "ctheader only");
    EXPECT_EQ(EditText, "");
    EXPECT_EQ(EditModeStarts, 3);
    Print.PrintLine("\x10\x10"
                    "cx");
    EXPECT_EQ(EditModeStarts, 3);
}

TEST_F(Printer, EmptySubLetterCodesDoNotEvenRedrawThePanel) {
    Con.FillRect(MakeCoord(0, 23), 80, 2, 'Z', 0x01);
    Print.PrintLine("\x10\x10"
                    "c");
    Print.PrintLine("\x10\x10"
                    "e");
    EXPECT_TRUE(test::RowIs(Con.Cells(), 23, 'Z', 0x01));
    Print.PrintLine("\x10\x10"
                    "cq");
    EXPECT_FALSE(test::RowIs(Con.Cells(), 23, 'Z', 0x01));
}

TEST_F(Printer, TheNameGoesToTheSeparatorAndTheTitle) {
    Print.PrintLine("\x10\x10n\xC2\xE0\xF1\xFF"); // Вася
    EXPECT_EQ(State.CharName, AnsiToConsole("\xC2\xE0\xF1\xFF"));
    Con.Show();
    EXPECT_EQ(Term.Title, "\xC2\xE0\xF1\xFF - Tolmix Client v1.4.0");
    EXPECT_EQ(test::RowText(Con.Cells(), 21).substr(4, 4), AnsiToConsole("\xC2\xE0\xF1\xFF"));
    EXPECT_EQ(Con.Cells().At(4, 21).Attr, 15);

    const std::string huge(10'000, 'N');
    Print.PrintLine("\x10\x10n" + huge);
    EXPECT_EQ(State.CharName, huge);
    const std::string separator = test::RowText(Con.Cells(), 21);
    EXPECT_EQ(separator.substr(4, 40), std::string(40, 'N'));
    EXPECT_EQ(static_cast<uint8_t>(separator[44]), 0xC4);
    Con.Show();
    EXPECT_LE(Term.Title.size(), 260u);
    EXPECT_NE(Term.Title.find(" - Tolmix Client v1.4.0"), std::string::npos);
}

TEST_F(Printer, HugePayloadsOfEveryCodeAreHandled) {
    const std::string payload(100'000, '7');
    for (char code : std::string("acdeghlmnotuvwxzP")) {
        Print.PrintLine(std::string("\x10\x10") + code + payload);
        Print.PrintLine(std::string("\x10\x10") + code + "\x10" + payload + "/" + payload);
    }
    EXPECT_EQ(State.Status[Level], 0);
    EXPECT_EQ(State.CharName.size(), 200'002u);
    // The unsupported ones (z, g, p, P) were shown, wrapped over many rows.
    EXPECT_GT(Output.RowCount(), 100);
}

} // namespace
} // namespace tolmix
