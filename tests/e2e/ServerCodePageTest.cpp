// Servers that speak UTF-8 or KOI8-R, end to end through the real client: their text on the
// screen, typed text (a decomposed letter included) and macros on the wire in their code page.
#include "e2e/harness/Assertions.h"
#include "e2e/harness/GameSession.h"
#include "e2e/harness/Keys.h"
#include "e2e/harness/OutputTokens.h"

#include <gtest/gtest.h>

namespace tolmix::e2e {
namespace {

using namespace std::chrono_literals;

constexpr auto Patience = 5000ms;

TEST(ServerCodePageSession, Utf8SessionReadsAndWritesUtf8) {
    // F1 sends "север" (Windows-1251 in the macro file).
    GameSession game("AutoSend=\r\nEncoding=utf-8\r\nMacrosFile=keys",
                     {{"keys.tmf", "F1=\xF1\xE5\xE2\xE5\xF0\r\n"}});
    ASSERT_TRUE(game.Connect(Patience)) << game.Client().Dump();
    PtySession& s = game.Client();
    // "Привет, мир!", its "и" cut between two writes, and a prompt "Имя: " with no line end.
    ASSERT_TRUE(game.Peer().Send("\xD0\x9F\xD1\x80\xD0"));
    ASSERT_TRUE(game.Peer().Send("\xB8\xD0\xB2\xD0\xB5\xD1\x82, \xD0\xBC\xD0\xB8\xD1\x80!\r\n"
                                 "\xD0\x98\xD0\xBC\xD1"));
    ASSERT_TRUE(ShowsText(s, "Привет, мир!", Patience)) << s.Dump();
    ASSERT_TRUE(game.Peer().Send("\x8F: "));
    ASSERT_TRUE(ShowsText(s, "Имя: ", Patience)) << s.Dump();
    const auto hello = s.Screen().Find("Привет");
    ASSERT_TRUE(hello.has_value());
    EXPECT_EQ(s.RowTrimmed(hello->y), "Привет, мир!") << s.Dump();

    // Typed "йод" with the "й" decomposed (и + U+0306), and "я".
    ASSERT_TRUE(s.Send("\xD0\xB8\xCC\x86\xD0\xBE\xD0\xB4 \xD1\x8F" + keys::Enter));
    ASSERT_TRUE(game.WaitForWire("\xD0\xB9\xD0\xBE\xD0\xB4 \xD1\x8F\r\n", Patience))
        << Printable(game.Wire());
    ASSERT_TRUE(s.Send(keys::F1));
    ASSERT_TRUE(game.WaitForWire("\xD1\x81\xD0\xB5\xD0\xB2\xD0\xB5\xD1\x80\r\n", Patience))
        << Printable(game.Wire());
    EXPECT_EQ(game.Wire(), "\xD0\xB9\xD0\xBE\xD0\xB4 \xD1\x8F\r\n"
                           "\xD1\x81\xD0\xB5\xD0\xB2\xD0\xB5\xD1\x80\r\n");
    EXPECT_TRUE(NoStrayControls(s));
}

TEST(ServerCodePageSession, Koi8RSessionReadsAndWritesKoi8R) {
    GameSession game("AutoSend=\r\nEncoding=KOI8-R");
    ASSERT_TRUE(game.Connect(Patience)) << game.Client().Dump();
    PtySession& s = game.Client();
    // "Привет, мир! Ъ": KOI8-R's "Ъ" is 0xFF, which the server doubles.
    ASSERT_TRUE(game.Peer().Send("\xF0\xD2\xC9\xD7\xC5\xD4, \xCD\xC9\xD2! \xFF\xFF\r\n"));
    ASSERT_TRUE(ShowsText(s, "Привет, мир! Ъ", Patience)) << s.Dump();
    // Typed "Ъя": the "Ъ" goes out doubled, the "я" (0xD1 in KOI8-R) once.
    ASSERT_TRUE(s.Send("\xD0\xAA\xD1\x8F" + keys::Enter));
    ASSERT_TRUE(game.WaitForWire("\xFF\xFF\xD1\r\n", Patience)) << Printable(game.Wire());
    EXPECT_EQ(game.Wire(), "\xFF\xFF\xD1\r\n");
}

TEST(ServerCodePageSession, AnUnknownEncodingIsSaidAndTheServersOwnIsUsed) {
    GameSession game("AutoSend=\r\nEncoding=latin-1");
    ASSERT_TRUE(game.Connect(Patience)) << game.Client().Dump();
    PtySession& s = game.Client();
    ASSERT_TRUE(ShowsText(s, "Encoding=latin-1: неизвестная кодировка; используется windows-1251.",
                          Patience))
        << s.Dump();
    ASSERT_TRUE(game.Peer().Send("\xCF\xF0\xE8\xE2\xE5\xF2!\r\n"));
    ASSERT_TRUE(ShowsText(s, "Привет!", Patience)) << s.Dump();
    ASSERT_TRUE(s.Send("\xD1\x8F" + keys::Enter));
    ASSERT_TRUE(game.WaitForWire("\xFF\xFF\r\n", Patience)) << Printable(game.Wire());
}

} // namespace
} // namespace tolmix::e2e
