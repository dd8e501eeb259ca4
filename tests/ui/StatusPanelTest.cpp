#include "ui/StatusPanel.h"
#include "support/DefaultScreen.h"
#include "support/FakeClipboard.h"
#include "support/FakeEventLoop.h"
#include "support/FakeTerminal.h"
#include "support/FakeWallClock.h"
#include "support/ScreenText.h"
#include "text/CodePage.h"
#include "ui/ConsoleScreen.h"

#include <gtest/gtest.h>

namespace tolmix {
namespace {

// The colour byte in front of the value in a gauge's text.
uint8_t GaugeColour(int32_t current, int32_t maximum) {
    const std::string text = FormatGauge("hp", current, maximum);
    return static_cast<uint8_t>(text[3]);
}

TEST(FormatGauge, ColoursTheValueByItsQuarterAndTheMaximumCyan) {
    EXPECT_EQ(FormatGauge("hp", 30, 100), "hp \x0E"
                                          "30\x07/\x03"
                                          "100");
    EXPECT_EQ(GaugeColour(24, 100), 0x0C);
    EXPECT_EQ(GaugeColour(25, 100), 0x0E);
    EXPECT_EQ(GaugeColour(74, 100), 0x0E);
    EXPECT_EQ(GaugeColour(75, 100), 0x0A);
    EXPECT_EQ(GaugeColour(150, 100), 0x0A);
    EXPECT_EQ(GaugeColour(0, 100), 0x0C);
    EXPECT_EQ(GaugeColour(-5, 100), 0x0C);
    EXPECT_EQ(GaugeColour(50, 0), 0x0C);
    EXPECT_EQ(GaugeColour(50, -100), 0x0C);
    EXPECT_EQ(GaugeColour(2147483647, 1), 0x0A);
    EXPECT_EQ(FormatGauge("\xE7\xE4\xEE\xF0", -3, 0).substr(0, 4),
              AnsiToConsole("\xE7\xE4\xEE\xF0"));
}

class Panel : public ::testing::Test {
  protected:
    Panel() {
        Con.SetBufferSize(MakeCoord(80, 25));
        Con.FillRect(MakeCoord(0, 21), 80, 1, 0xC4, 7);
    }

    StatusPanel Make(StatusPanelOptions options = test::DefaultPanel()) {
        return StatusPanel(Con, Term, Loop, State, Clock, options);
    }

    // Lets time pass on the loop and the wall clock, running the timers as the input loop does.
    void RunFor(Milliseconds span) {
        const TimePoint end = Loop.Clock + span;
        while (Loop.Clock < end) {
            const TimePoint before = Loop.Clock;
            Loop.Wait(end);
            Wall.Advance(std::chrono::duration_cast<Milliseconds>(Loop.Clock - before));
            Message m;
            while (Loop.TakeMessage(m))
                Loop.Dispatch(m);
        }
    }

    std::string Row(int y) { return test::RowText(Con.Cells(), y); }
    // Attribute of the first cell of a text on a row; 0xFFFF when the text is not there.
    uint16_t AttrOf(int y, std::string_view consoleText, size_t skip = 0) {
        const std::string row = Row(y);
        size_t at = row.find(consoleText);
        for (size_t i = 0; i < skip && at != std::string::npos; ++i)
            at = row.find(consoleText, at + 1);
        return at == std::string::npos ? 0xFFFF : Con.Cells().At(static_cast<int>(at), y).Attr;
    }

    test::FakeTerminal Term;
    test::FakeEventLoop Loop;
    ConsoleScreen Con{Term};
    test::FakeWallClock Wall;
    CharacterStatus State;
    GameClock Clock{Wall};
};

TEST_F(Panel, FirstLineShowsLevelExperienceInThousandsAndTheGauges) {
    State.Status[Level] = 7;
    State.Status[Experience] = 1500;
    State.Status[ExperienceMax] = 1999;
    State.Status[Health] = 30;
    State.Status[HealthMax] = 100;
    Make().DrawStatusPanel();
    const std::string expected = AnsiToConsole("\xD3\xF0\xEE\xE2\xE5\xED\xFC 7, \xEE\xEF\xFB\xF2 "
                                               "1500/1k, \xE7\xE4\xEE\xF0 30/100, ");
    EXPECT_EQ(Row(23).substr(0, expected.size()), expected);
    EXPECT_EQ(Con.Cells().At(0, 23).Attr, 0x8F);
    EXPECT_EQ(AttrOf(23, "7"), 0x8B);
    EXPECT_EQ(AttrOf(23, "1k"), 0x8B);
    EXPECT_EQ(AttrOf(23, "30/"), 0x8E);
    EXPECT_EQ(AttrOf(23, "100"), 0x83);
    EXPECT_EQ(Con.Cells().At(79, 23), (Cell{' ', 0x87}));
}

TEST_F(Panel, HungerAndThirstAreShownLessFourInTheirColours) {
    State.Status[Hunger] = 4;
    State.Status[Thirst] = 0;
    Make().DrawStatusPanel();
    const std::string row = Row(24);
    const size_t thirst = row.find("-4");
    ASSERT_NE(thirst, std::string::npos) << row;
    EXPECT_EQ(Con.Cells().At(static_cast<int>(thirst), 24).Attr, 0x8C);
    const size_t hunger = row.find(' ') + 1;
    EXPECT_EQ(row[hunger], '0');
    EXPECT_EQ(Con.Cells().At(static_cast<int>(hunger), 24).Attr, 0x8A);

    State.Status[Hunger] = 6;
    State.Status[Thirst] = 99;
    Make().DrawStatusPanel();
    EXPECT_EQ(Row(24)[hunger], '2');
    EXPECT_EQ(Con.Cells().At(static_cast<int>(hunger), 24).Attr, 0x8F);
    EXPECT_EQ(AttrOf(24, "95"), 0x8F);
}

TEST_F(Panel, TheFullerTheLoadTheRedderItsNumber) {
    State.Status[Load1] = 90;
    State.Status[LoadCapacity] = 100;
    State.Status[Load3] = 40;
    Make().DrawStatusPanel();
    const std::string expected = AnsiToConsole("\xE3\xF0\xF3\xE7 90/0/40/100");
    const size_t at = Row(24).find(expected);
    ASSERT_NE(at, std::string::npos) << Row(24);
    const size_t first = at + 5;
    const auto attr = [&](size_t x) { return Con.Cells().At(static_cast<int>(x), 24).Attr; };
    EXPECT_EQ(attr(first), 0x8C);     // 90 of 100
    EXPECT_EQ(attr(first + 3), 0x8A); // 0
    EXPECT_EQ(attr(first + 5), 0x8E); // 40 of 100: quarter 2
    EXPECT_EQ(attr(first + 8), 0x8B); // the capacity
    State.Status[LoadCapacity] = 0;
    Make().DrawStatusPanel();
    EXPECT_EQ(attr(first), 0x8A);
}

TEST_F(Panel, OptionalGaugesAppearOnlyWithAMaximumAboveZero) {
    const std::string fire = AnsiToConsole("\xEE\xE3\xEE\xED\xFC");
    const std::string strength = AnsiToConsole("\xD1\xE8\xEB\xE0");
    Make().DrawStatusPanel();
    EXPECT_EQ(Row(24).find(fire), std::string::npos);
    State.Status[Fire] = 1;
    State.Status[FireMax] = 4;
    State.Status[StrengthMax] = 3;
    Make().DrawStatusPanel();
    const std::string row = Row(24);
    ASSERT_NE(row.find(fire + " 1/4"), std::string::npos) << row;
    EXPECT_LT(row.find(fire), row.find(strength));
    EXPECT_EQ(AttrOf(24, fire), 0x8C);
    EXPECT_EQ(AttrOf(24, strength), 0x8B);
    State.Status[FireMax] = 0;
    Make().DrawStatusPanel();
    EXPECT_EQ(Row(24).find(fire), std::string::npos);
}

TEST_F(Panel, TheNameAndTheEditCaptionShareTheSeparator) {
    State.CharName = "Hero";
    Make().DrawStatusPanel();
    EXPECT_EQ(Row(21).substr(4, 4), "Hero");
    EXPECT_EQ(Con.Cells().At(4, 21).Attr, 15);
    StatusPanel panel = Make();
    panel.ShowEditMode(true);
    const std::string caption = AnsiToConsole("\xD0\xE5\xE6\xE8\xEC");
    EXPECT_EQ(Row(21).substr(8, caption.size()), caption);
    EXPECT_EQ(Con.Cells().At(8, 21).Attr, 0xF0); // black on white
    EXPECT_EQ(Con.Cells().At(4, 21), (Cell{0xC4, 7}));
    State.CharName.clear();
    panel.ShowEditMode(false);
    EXPECT_TRUE(test::RowIs(Con.Cells(), 21, 0xC4, 7));
}

TEST_F(Panel, WithoutTheSeparatorLineNothingIsShownThere) {
    StatusPanelOptions options = test::DefaultPanel();
    options.SeparatorLine = false;
    Con.FillRect(MakeCoord(0, 21), 80, 1, ' ', 0);
    State.CharName = "Hero";
    State.Countdown = 2.5;
    StatusPanel panel = Make(options);
    panel.ShowEditMode(true);
    panel.DrawStatusPanel();
    panel.DrawGameClock(63932457600000);
    panel.DrawCountdown();
    EXPECT_TRUE(test::RowIs(Con.Cells(), 21, ' ', 0));
    EXPECT_DOUBLE_EQ(State.Countdown, 2.5); // drawing never changes it
}

TEST_F(Panel, TheCountdownRunsDownInColumnsFiftyToFiftyFour) {
    State.Countdown = 2.5;
    StatusPanel panel = Make();
    // The 100 ms step: the panel shows the countdown, then the status counts it down.
    const auto tick = [&] {
        panel.DrawCountdown();
        State.CountDown();
    };
    tick();
    EXPECT_EQ(Row(21).substr(50, 5), "\xC4\xC4"
                                     "2.5");
    EXPECT_EQ(Con.Cells().At(52, 21).Attr, 15);
    tick();
    EXPECT_EQ(Row(21).substr(52, 3), "2.4");
    for (int i = 0; i < 40 && State.Countdown != 0; ++i)
        tick();
    EXPECT_EQ(State.Countdown, 0);
    tick();
    EXPECT_TRUE(test::RowIs(Con.Cells(), 21, 0xC4, 7)) << Row(21);

    State.Countdown = -3;
    tick();
    EXPECT_EQ(Row(21).substr(50, 5), "\xC4-3.0");
    EXPECT_EQ(State.Countdown, 0);

    StatusPanelOptions russian = test::DefaultPanel();
    russian.DecimalSeparator = ',';
    State.Countdown = 12.25;
    Make(russian).DrawCountdown();
    EXPECT_EQ(Row(21).substr(50, 5), "\xC4"
                                     "12,2");
}

TEST_F(Panel, ACountdownOfAThousandOrMoreLeavesNoDigitBehind) {
    State.Countdown = 1000.2;
    StatusPanel panel = Make();
    panel.DrawCountdown();
    EXPECT_EQ(Row(21).substr(48, 8), "\xC4"
                                     "1000.2\xC4");
    for (int i = 0; i < 4; ++i) {
        State.CountDown();
        panel.DrawCountdown();
    }
    EXPECT_EQ(Row(21).substr(48, 8), "\xC4\xC4"
                                     "999.8\xC4");
    State.Countdown = 123456.5;
    panel.DrawCountdown();
    State.Countdown = 0;
    panel.DrawCountdown();
    EXPECT_TRUE(test::RowIs(Con.Cells(), 21, 0xC4, 7)) << Row(21);
}

// A long TimeFormat or a narrow screen puts the clock where the countdown goes.
TEST_F(Panel, TheCountdownNeverDrawsNorErasesOverTheClock) {
    StatusPanelOptions options = test::DefaultPanel();
    options.TimeFormat = "dd mmmm yyyy, hh:nn:ss"; // 26 characters: columns 53 to 78
    StatusPanel panel = Make(options);
    const int64_t time = 739959 * 86'400'000LL + 3'723'000; // 9 December 2026, 01:02:03
    const std::string clock = "09 December 2026, 01:02:03";
    State.Countdown = 2.5;
    panel.DrawCountdown(); // columns 52 to 54, before the clock arrives
    panel.DrawGameClock(time);
    for (int i = 0; i < 3; ++i) {
        State.CountDown();
        panel.DrawCountdown();
        EXPECT_EQ(Row(21).substr(53, clock.size()), clock);
    }
    // The countdown's own cell before the clock is a line again, not half a number.
    EXPECT_EQ(Row(21).substr(45, 8), std::string(8, '\xC4'));
    panel.HideGameClock();
    panel.DrawCountdown();
    EXPECT_EQ(Row(21).substr(50, 5), "\xC4\xC4"
                                     "2.2");
}

TEST_F(Panel, OnANarrowScreenTheClockKeepsItsPlace) {
    Con.SetBufferSize(MakeCoord(60, 25));
    StatusPanelOptions options = test::DefaultPanel();
    options.SizeX = 60;          // the default 21-character clock in columns 38 to 58
    options.RequestedSizeX = 60; // the screen the player asked for
    StatusPanel panel = Make(options);
    panel.DrawGameClock(739959 * 86'400'000LL);
    const std::string clock = Row(21).substr(38, 21);
    EXPECT_EQ(Con.Cells().At(38, 21).Attr, 10);
    State.Countdown = 5;
    for (int i = 0; i < 3; ++i) {
        panel.DrawCountdown();
        State.CountDown();
    }
    EXPECT_EQ(Row(21).substr(38, 21), clock);
    EXPECT_EQ(Con.Cells().At(54, 21).Attr, 10);
}

TEST_F(Panel, TheClockEndsOneColumnBeforeTheEdgeAndLeavesNoRestWhenShorter) {
    StatusPanelOptions options = test::DefaultPanel();
    options.TimeFormat = "mmmm d";
    StatusPanel panel = Make(options);
    // 9 December 2026, then 9 May 2027.
    panel.DrawGameClock(739959 * 86'400'000LL);
    EXPECT_EQ(Row(21).substr(69, 11), "December 9\xC4");
    EXPECT_EQ(Con.Cells().At(69, 21).Attr, 10);
    panel.DrawGameClock(740110 * 86'400'000LL);
    EXPECT_EQ(Row(21).substr(69, 11), "\xC4\xC4\xC4\xC4"
                                      "\xC4May 9\xC4");
    panel.HideGameClock();
    EXPECT_TRUE(test::RowIs(Con.Cells(), 21, 0xC4, 7)) << Row(21);
}

TEST_F(Panel, OnANarrowerScreenTheClockGivesWayToTheCountdown) {
    StatusPanel panel = Make();
    panel.Relayout(60, 21, 23);
    const std::string separator = Row(21);
    // 9 December 2026, 00:00:00 would begin at column 38, over the countdown's columns.
    panel.DrawGameClock(739959 * 86'400'000LL);
    EXPECT_EQ(Row(21), separator);
    // Wide enough again, it is there.
    panel.Relayout(80, 21, 23);
    panel.DrawGameClock(739959 * 86'400'000LL);
    EXPECT_EQ(Row(21).substr(58, 6), "09 Dec");
}

// One bell for the text of a quiet period, not one a second until the player looks.
TEST_F(Panel, NewTextFlashesAnUnseenWindowOncePerQuietPeriod) {
    StatusPanel panel = Make();
    panel.NoteActivity();
    Term.Focused = false;
    for (int tick = 0; tick < 8; ++tick)
        panel.FlashStep();
    EXPECT_EQ(Term.Flashes, 1);
    panel.NoteActivity(); // more text while the first is still unseen
    for (int tick = 0; tick < 8; ++tick)
        panel.FlashStep();
    EXPECT_EQ(Term.Flashes, 1);
    EXPECT_TRUE(panel.ActivityPending());
    Term.Focused = true;
    panel.FlashStep();
    EXPECT_FALSE(panel.ActivityPending());
    Term.Focused = false;
    for (int tick = 0; tick < 8; ++tick)
        panel.FlashStep();
    EXPECT_EQ(Term.Flashes, 1);
    panel.NoteActivity(); // the first text after the player looked
    panel.FlashStep();
    EXPECT_EQ(Term.Flashes, 2);
}

// An idle client sleeps: each of the panel's timers runs only while something it draws can
// change, and starts as soon as something does.
TEST_F(Panel, ItsTimersRunOnlyWhileSomethingTheyDrawCanChange) {
    using namespace std::chrono_literals;
    StatusPanel panel = Make();
    EXPECT_FALSE(Loop.NextTimer().has_value());

    // New text in a window in front is seen at the first status tick.
    panel.NoteActivity();
    EXPECT_EQ(Loop.NextTimer(), Loop.Clock + 250ms);
    RunFor(250ms);
    EXPECT_FALSE(panel.ActivityPending());
    EXPECT_FALSE(Loop.NextTimer().has_value());

    // A countdown runs the 100 ms timer down to its end, and until that end is drawn.
    State.Countdown = 0.3;
    panel.StatusChanged();
    EXPECT_EQ(Loop.NextTimer(), Loop.Clock + 100ms);
    RunFor(100ms);
    EXPECT_EQ(Row(21).substr(52, 3), "0.3");
    RunFor(1000ms);
    EXPECT_EQ(Row(21).substr(50, 5), std::string(5, '\xC4'));
    EXPECT_FALSE(Loop.NextTimer().has_value());

    // The game clock keeps the 250 ms timer, drawing it as it runs, until it is switched off.
    Clock.SetGameClock(739959 * 86'400'000LL); // 9 December 2026, 00:00:00
    panel.StatusChanged();
    RunFor(1000ms);
    EXPECT_EQ(Row(21).substr(58, 21), "09 Dec 2026, 00:00:04");
    EXPECT_EQ(Loop.NextTimer(), Loop.Clock + 250ms);
    Clock.SetGameClock(0);
    panel.StatusChanged();
    EXPECT_FALSE(Loop.NextTimer().has_value());

    // Without the separator line the clock is not drawn, and keeps no timer.
    StatusPanelOptions hidden = test::DefaultPanel();
    hidden.SeparatorLine = false;
    StatusPanel bare = Make(hidden);
    Clock.SetGameClock(739959 * 86'400'000LL);
    bare.StatusChanged();
    EXPECT_FALSE(Loop.NextTimer().has_value());
}

TEST_F(Panel, TheSeparatorCountsTheRowsWaitingBelowAScrolledBackWindow) {
    StatusPanel panel = Make();
    panel.ShowRowsBelow(12);
    EXPECT_EQ(Row(21).substr(44, 6), "\xC4\xC4\xC4\x19"
                                     "12");
    EXPECT_EQ(Con.Cells().At(47, 21).Attr, 15);
    panel.ShowRowsBelow(1234567);
    EXPECT_EQ(Row(21).substr(44, 6), "\x19"
                                     "99999");
    // Back at the newest text the line is whole again, and the countdown's columns untouched.
    panel.ShowRowsBelow(0);
    EXPECT_TRUE(test::RowIs(Con.Cells(), 21, 0xC4, 7)) << Row(21);
}

} // namespace
} // namespace tolmix
