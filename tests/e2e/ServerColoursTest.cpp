// What common game servers send: screen commands mixed into their text and SGR colours with
// backgrounds, 256 colours and RGB, end to end through the real client, whole and cut into
// one-byte packets; and the log keeps the text only.
#include "e2e/harness/Assertions.h"
#include "e2e/harness/GameSession.h"
#include "e2e/harness/TextColour.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace tolmix::e2e {
namespace {

using namespace std::chrono_literals;

constexpr auto Patience = 5000ms;

// Lines of common servers; after them, what each shows and in which console attribute
// (background * 16 + foreground, console colour numbers).
const std::string ServerText = "\x1b[2JWelcome to the game, friend.\r\n"
                               "left \x1b[K after K, mom said hi\r\n"
                               "\x1b[?25lThe whole line stays.\x1b[?25h\r\n"
                               "\x1b]0;My MUD\x07\x1b[37;40mgrey on black\r\n"
                               "still grey\r\n"
                               "\x1b[1;37;44mwhite on blue\x1b[0m\r\n"
                               "\x1b[38;5;196mred of 256\r\n"
                               "\x1b[38;2;0;255;0mgreen of rgb\r\n"
                               "\x1b[31mr\x1b[39mdefault grey\r\n"
                               "\x1b[1;32mbold\x1b[22mnormal\r\n"
                               "\x1b[0;4munderlined\x1b[24m \x1b[7mreversed\x1b[0m\r\n"
                               "\x1b[30mblack on black made dark grey\r\n"
                               "\x1b[0m\x1b[30;40m\x1b[30;40mh35/120\r\n"
                               "\x1b[0mthe end\r\n";

struct Shown {
    const char* Text;
    int Attr;
};
const Shown Expected[] = {
    {"Welcome to the game, friend.", 0x07},
    {"left  after K, mom said hi", 0x07},
    {"The whole line stays.", 0x07},
    {"grey on black", 0x07},
    {"still grey", 0x07},
    {"white on blue", 0x1F},
    {"red of 256", 0x0C},
    {"green of rgb", 0x0A},
    {"default grey", 0x07},
    {"bold", 0x0A},
    {"normal", 0x02},
    {"underlined", 0x0F},
    {"reversed", 0x70},
    {"black on black made dark grey", 0x08},
    // Black on black asked for twice: shown as asked (invisible), and as text, not a code.
    {"h35/120", 0x00},
    {"the end", 0x07},
};

void ExpectServerTextShown(PtySession& s) {
    ASSERT_TRUE(ShowsText(s, "the end", Patience)) << s.Dump();
    for (const Shown& line : Expected)
        EXPECT_TRUE(ShownInColour(s, line.Text, line.Attr)) << line.Text;
    EXPECT_EQ(s.Title(), "Tolmix Client v1.4.0");
    // Nothing cleared the screen: the banner is still there.
    EXPECT_TRUE(ShowsText(s, "Tolmix Client v1.4.0 - клиент", 0ms));
    EXPECT_TRUE(NoStrayControls(s));
}

TEST(ServerColours, ScreenCommandsLoseNoTextAndColoursShowAsTheServerMeantThem) {
    GameSession game("AutoSend=\r\nLogEnabled=1\r\n");
    ASSERT_TRUE(game.Connect(Patience)) << game.Client().Dump();
    PtySession& s = game.Client();
    ASSERT_TRUE(game.Peer().Send(ServerText));
    ExpectServerTextShown(s);

    // The log has the text without colour bytes or background marks.
    std::string log;
    for (const auto& entry : std::filesystem::directory_iterator(game.Dir().Path())) {
        if (entry.path().extension() == ".log") {
            std::ifstream in(entry.path(), std::ios::binary);
            log.assign(std::istreambuf_iterator<char>(in), {});
        }
    }
    EXPECT_NE(log.find("\nwhite on blue\n"), std::string::npos) << log;
    EXPECT_NE(log.find("\nunderlined reversed\n"), std::string::npos) << log;
    EXPECT_NE(log.find("\nh35/120\n"), std::string::npos) << log;
    // UTF-8 now: no control byte but the line ends, no background mark's lead in its place.
    for (const unsigned char c : log)
        EXPECT_FALSE(c < 0x20 && c != '\n') << static_cast<int>(c);
    EXPECT_EQ(log.find("\xD1\x91@"), std::string::npos);
}

TEST(ServerColours, SequencesCutIntoOneBytePacketsShowTheSame) {
    GameSession game("AutoSend=");
    ASSERT_TRUE(game.Connect(Patience)) << game.Client().Dump();
    PtySession& s = game.Client();
    for (const char c : ServerText) {
        ASSERT_TRUE(game.Peer().Send(std::string(1, c)));
        s.PumpFor(0ms);
    }
    ExpectServerTextShown(s);
}

} // namespace
} // namespace tolmix::e2e
