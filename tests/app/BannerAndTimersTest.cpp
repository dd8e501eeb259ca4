#include "app/ClientFakes.h"
#include "app/TClient.h"
#include "platform/VirtualKeys.h"
#include "support/ScreenText.h"

#include <gtest/gtest.h>

namespace tolmix {
namespace {

using namespace std::chrono_literals;

// A running client on the default 80x25 layout whose wall clock moves with the loop's.
class RunningClient : public ::testing::Test, public test::ClientFakes {
  protected:
    void Start(const std::string& settings = "") {
        if (!settings.empty())
            Files.Add("TolmixClient.tcf", settings);
        const char* argv[] = {"tolmix-client"};
        Client = std::make_unique<TClient>(Con, Env, 1, argv);
    }
    // Lets time pass, dispatching the timers as the input loop does.
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

    std::unique_ptr<TClient> Client;
    void RunInput() { ClientFakes::RunInput(*Client); }
};

TEST_F(RunningClient, TheBannerIsTheFirstLineInYellowOnRed) {
    Start();
    EXPECT_EQ(Row(0).substr(0, 20), "Tolmix Client v1.4.0");
    EXPECT_EQ(Screen.Cells().At(0, 0).Attr, 0x4E);
    Client->Lines().PrintLine("next");
    EXPECT_EQ(Screen.Cells().At(0, 1).Attr, 7);
}

TEST_F(RunningClient, AHugeOutputSizeIsNamedInRedBelowTheBanner) {
    Start("OutputSize=5000000\r\n");
    EXPECT_EQ(Row(1).substr(0, 70),
              "OutputSize=5000000 is more than the output window keeps; it keeps 1000");
    EXPECT_EQ(Screen.Cells().At(0, 1).Attr, 0x0C);
}

TEST_F(RunningClient, TheServerEditorStartsEditModeAndSwapsEnter) {
    Start("AutoSend=\r\n");
    EXPECT_EQ(Screen.Cells().At(8, 21).Attr, 7);
    Client->Lines().PrintLine("\x80\x80"
                      "ct");
    // The edit mode's caption on the separator, an empty editor, and Enter that breaks the line
    // instead of sending it.
    EXPECT_EQ(Screen.Cells().At(8, 21).Attr, 0xF0);
    EXPECT_EQ(Row(22)[0], ' ');
    Type("a");
    Term.Key(VkReturn, 0x0D);
    Type("b");
    RunInput();
    EXPECT_EQ(Wire(), "");
    // The editor's row shows the cursor's line: "b", and "a" above it.
    EXPECT_EQ(Row(22)[0], 'b');
    Term.Key(VkUp, 0, EnhancedKey);
    RunInput();
    EXPECT_EQ(Row(22)[0], 'a');
}

TEST_F(RunningClient, TheGameClockRunsOnTheSeparatorFourTimesAsFast) {
    Start("TimeFormat=hh:nn:ss\r\n");
    Client->Lines().PrintLine("\x80\x80t" + std::to_string(739959 * 86'400'000LL + 3'600'000));
    RunFor(250ms);
    EXPECT_EQ(Row(21).substr(71, 8), "01:00:01");
    RunFor(1000ms);
    EXPECT_EQ(Row(21).substr(71, 8), "01:00:05");
    EXPECT_EQ(Screen.Cells().At(71, 21).Attr, 10);
    Client->Lines().PrintLine("\x80\x80t");
    RunFor(1000ms);
    EXPECT_TRUE(test::RowIs(Screen.Cells(), 21, 0xC4, 7)) << Row(21);
}

// At rest nothing on the screen changes, so the loop sleeps: no timer wakes it.
TEST_F(RunningClient, TimersRunOnlyWhileSomethingTheyDrawCanChange) {
    Start();
    RunFor(1000ms); // the banner's new text is seen at the first status tick
    EXPECT_FALSE(Loop.NextTimer().has_value());
    const int waits = Loop.Waits;
    RunFor(10s);
    EXPECT_LE(Loop.Waits - waits, 2);

    // A countdown runs its timer until its end is drawn.
    Client->Lines().PrintLine("\x80\x80"
                      "a0.5");
    EXPECT_EQ(Loop.NextTimer(), Loop.Clock + 100ms);
    RunFor(300ms);
    EXPECT_EQ(Row(21).substr(52, 3), "0.3");
    RunFor(1000ms);
    EXPECT_EQ(Row(21).substr(50, 5), std::string(5, '\xC4'));
    EXPECT_FALSE(Loop.NextTimer().has_value());

    // The game clock keeps the status timer until the server switches it off.
    Client->Lines().PrintLine("\x80\x80t" + std::to_string(739959 * 86'400'000LL));
    EXPECT_EQ(Loop.NextTimer(), Loop.Clock + 250ms);
    RunFor(10s);
    EXPECT_TRUE(Loop.NextTimer().has_value());
    Client->Lines().PrintLine("\x80\x80t");
    RunFor(500ms);
    EXPECT_FALSE(Loop.NextTimer().has_value());
    const int quiet = Loop.Waits;
    RunFor(10s);
    EXPECT_LE(Loop.Waits - quiet, 2);
}

TEST_F(RunningClient, TheCountdownTimerCountsTheServerCountdownDown) {
    Start();
    Client->Lines().PrintLine("\x80\x80"
                      "a2.5");
    RunFor(100ms);
    EXPECT_EQ(Row(21).substr(50, 5), "\xC4\xC4"
                                     "2.5");
    RunFor(1000ms);
    EXPECT_EQ(Row(21).substr(52, 3), "1.5");
    RunFor(2000ms);
    EXPECT_TRUE(test::RowIs(Screen.Cells(), 21, 0xC4, 7)) << Row(21);
}

TEST_F(RunningClient, TextWhileTheWindowIsElsewhereFlashesIt) {
    Start();
    Term.Focused = false;
    RunFor(2000ms);
    const int afterBanner = Term.Flashes;
    EXPECT_EQ(afterBanner, 1); // the banner is new text too; one bell for it
    Term.Focused = true;
    RunFor(500ms);
    Term.Focused = false;
    RunFor(2000ms);
    EXPECT_EQ(Term.Flashes, afterBanner);
    Client->Lines().PrintLine("tell: hello");
    Client->Lines().PrintLine("tell: are you there?");
    RunFor(2000ms);
    EXPECT_EQ(Term.Flashes, afterBanner + 1);
}

// What the server sends reaches the screen by the received road, not through PrintLine: a plain
// line and a prompt left without its line end each ring once while the window is elsewhere.
TEST_F(RunningClient, ReceivedLinesAndAnUnfinishedPromptFlashTheWindowElsewhere) {
    const std::shared_ptr<test::FakeStream> server = Net.Prepare();
    Start("AutoSend=\r\n");
    ASSERT_TRUE(ServerConnected());
    const auto lookAwayAfterSeeing = [this] {
        Term.Focused = true;
        RunFor(500ms);
        Term.Focused = false;
        RunFor(2000ms);
    };
    lookAwayAfterSeeing();
    const int before = Term.Flashes;
    server->Arrive("tell: hello\r\n");
    while (Client->Idle()) {
    }
    RunFor(2000ms);
    EXPECT_TRUE(ScreenHas("tell: hello"));
    EXPECT_EQ(Term.Flashes, before + 1);

    lookAwayAfterSeeing();
    server->Arrive("Password: ");
    Client->Idle();
    RunFor(2000ms); // the prompt shows once nothing more has come for a while
    EXPECT_TRUE(ScreenHas("Password: "));
    EXPECT_EQ(Term.Flashes, before + 2);
}

TEST_F(RunningClient, WithoutFlashActivityNothingFlashes) {
    Start("FlashActivity=0\r\n");
    Term.Focused = false;
    Client->Lines().PrintLine("tell: hello");
    RunFor(3000ms);
    EXPECT_EQ(Term.Flashes, 0);
}

} // namespace
} // namespace tolmix
