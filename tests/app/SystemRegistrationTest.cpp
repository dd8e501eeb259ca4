#include "app/SystemRegistration.h"
#include "app/ClientFakes.h"
#include "app/ConsolePalette.h"
#include "app/TClient.h"
#include "platform/FileErrors.h"
#include "support/FakeClipboard.h"
#include "support/FakeDesktopRegistry.h"
#include "support/FakeEventLoop.h"
#include "support/FakeTerminal.h"
#include "support/ScreenText.h"
#include "text/CodePage.h"

#include <gtest/gtest.h>

namespace tolmix {
namespace {

using Calls = std::vector<std::string>;

TEST(SystemRegistration, WritesTheThreeTypesAndTheSixteenColoursAndSaysWhetherTheKeyExisted) {
    test::FakeDesktopRegistry registry;
    EXPECT_FALSE(RegisterSystem(registry, "/opt/games/tolmix-client"));
    // The console key is looked for before anything is written to it.
    EXPECT_EQ(registry.Calls, (Calls{"types", "exists", "console"}));
    EXPECT_EQ(registry.TypesProgram, "/opt/games/tolmix-client");
    ASSERT_EQ(registry.Types.size(), 3u);
    EXPECT_EQ(registry.Types[0].Extension, ".tcf");
    EXPECT_EQ(registry.Types[0].TypeName, "Tolmix Client Config");
    EXPECT_TRUE(registry.Types[0].OpensWithProgram);
    EXPECT_EQ(registry.Types[1].Extension, ".tmf");
    EXPECT_EQ(registry.Types[1].TypeName, "Tolmix Client Macros Config");
    EXPECT_FALSE(registry.Types[1].OpensWithProgram);
    EXPECT_EQ(registry.Types[2].Extension, ".taf");
    EXPECT_EQ(registry.Types[2].TypeName, "Tolmix Client Alias Config");
    EXPECT_FALSE(registry.Types[2].OpensWithProgram);

    const std::vector<ConsoleValue>& values = registry.Consoles["/opt/games/tolmix-client"];
    ASSERT_EQ(values.size(), 16u);
    for (size_t i = 0; i < values.size(); ++i) {
        EXPECT_EQ(values[i].Name,
                  "ColorTable" + std::string(i < 10 ? "0" : "") + std::to_string(i));
        EXPECT_EQ(values[i].Data, ConsolePalette[i]);
    }
    EXPECT_EQ(values[7].Data, 0xA0A0A0u);
    EXPECT_EQ(values[8].Data, 0x404040u);
    EXPECT_EQ(values[9].Data, 0xFF0000u); // bright blue, COLORREF order
    EXPECT_EQ(values[4].Data, 0x0000A0u); // red
    EXPECT_EQ(values[14].Data, 0x00FFFFu);

    // The same location again: not a first run, and everything is written again.
    registry.Calls.clear();
    EXPECT_TRUE(RegisterSystem(registry, "/opt/games/tolmix-client"));
    EXPECT_EQ(registry.Calls, (Calls{"types", "exists", "console"}));
    // Another location has a key of its own.
    EXPECT_FALSE(RegisterSystem(registry, "/home/player/copy/tolmix-client"));
}

TEST(SystemRegistration, AFailedWriteNamesTheValueTheFileAndTheReason) {
    test::FakeDesktopRegistry registry;
    registry.FileTypesError = FileErrors::AccessDenied;
    registry.Failure = "/home/p/.local/share/mime: Read-only file system";
    try {
        RegisterSystem(registry, "/opt/tolmix-client");
        ADD_FAILURE() << "a failed write must raise";
    } catch (const ERegistryException& e) {
        EXPECT_STREQ(e.what(),
                     "Failed to set data for '': /home/p/.local/share/mime: Read-only file system");
        EXPECT_EQ(e.ErrorCode, FileErrors::AccessDenied);
    }
    EXPECT_EQ(registry.Calls, Calls{"types"});

    // A registry that cannot say which file failed still gives the reason of the code.
    registry.FileTypesError = 0;
    registry.ConsoleError = FileErrors::DiskFull;
    registry.Failure.clear();
    try {
        RegisterSystem(registry, "/opt/tolmix-client");
        ADD_FAILURE() << "a failed write must raise";
    } catch (const ERegistryException& e) {
        EXPECT_STREQ(e.what(), "Failed to set data for 'ColorTable00': Disk full");
    }
}

TEST(ConsolePalette, TheTerminalGetsEveryColourAsRgb) {
    EXPECT_EQ(ColorRefToRgb(0xFF0000), 0x0000FFu);
    EXPECT_EQ(ColorRefToRgb(0x00A0A0), 0xA0A000u);
    EXPECT_EQ(ColorRefToRgb(0x123456), 0x563412u);
    EXPECT_EQ(ColorTableName(0), "ColorTable00");
    EXPECT_EQ(ColorTableName(15), "ColorTable15");

    test::FakeTerminal term;
    ApplyConsolePalette(term);
    EXPECT_EQ(term.PaletteWrites, 16);
    EXPECT_EQ(term.Palette[1], 0x0000A0u); // console blue
    EXPECT_EQ(term.Palette[4], 0xA00000u); // console red
    EXPECT_EQ(term.Palette[6], 0xA0A000u); // brown
    EXPECT_EQ(term.Palette[7], 0xA0A0A0u);
    EXPECT_EQ(term.Palette[8], 0x404040u);
    EXPECT_EQ(term.Palette[9], 0x0000FFu);
    EXPECT_EQ(term.Palette[15], 0xFFFFFFu);
}

class ClientFirstRun : public ::testing::Test, public test::ClientFakes {
  protected:
    // The notice's "перезапустите" in the console code page.
    bool NoticeShown() const {
        return ScreenHas(AnsiToConsole("\xEF\xE5\xF0\xE5\xE7\xE0\xEF\xF3\xF1\xF2\xE8\xF2\xE5"));
    }
    // ", чтобы подключиться сейчас." in the console code page.
    static std::string ConnectNow() {
        return AnsiToConsole(", \xF7\xF2\xEE\xE1\xFB \xEF\xEE\xE4\xEA\xEB\xFE\xF7\xE8\xF2"
                             "\xFC\xF1\xFF \xF1\xE5\xE9\xF7\xE0\xF1.");
    }
    ClientFirstRun() { Registry.Consoles.clear(); }
    std::unique_ptr<TClient> Start() {
        const char* argv[] = {"tolmix-client"};
        return std::make_unique<TClient>(Con, Env, 1, argv);
    }
};

TEST_F(ClientFirstRun, AnInstalledProgramConnectsAtItsFirstStartAndLeavesTheFileTypesToItsPackage) {
    Files.Program = "/usr/bin/tolmix-client";
    Files.Folders.insert("/usr/lib/tolmix-client");
    Env.UserDataFolder = "/home/player/.local/share";
    auto client = Start();
    EXPECT_FALSE(NoticeShown());
    EXPECT_TRUE(ServerConnected());
    // The palette step stays; the file types are the package's.
    EXPECT_EQ(Registry.Calls, (Calls{"exists", "console"}));
    EXPECT_TRUE(Registry.Types.empty());
    EXPECT_EQ(Registry.Consoles.count("/usr/bin/tolmix-client"), 1u);
    EXPECT_EQ(Term.PaletteWrites, 16);
    // The player's plugins first, then the installed ones; the program's folder stays current.
    EXPECT_EQ(Files.DirectoryChanges, (Calls{"/home/player/.local/share/tolmix-client/plugins/",
                                             "/usr/lib/tolmix-client/plugins/", "/usr/bin/"}));
}

TEST_F(ClientFirstRun, TheFirstStartFromAFolderShowsTheNoticeInItsColours) {
    auto client = Start();
    EXPECT_TRUE(NoticeShown());
    EXPECT_EQ(Registry.TypesProgram, Files.Program);
    EXPECT_EQ(Registry.Consoles.count(Files.Program), 1u);
    EXPECT_EQ(Term.PaletteWrites, 16);
    EXPECT_EQ(Term.Palette[9], 0x0000FFu);

    EXPECT_TRUE(test::RowIs(Screen.Cells(), 1, ' ', 7));
    // "Программа зарегистрировала себя..." in light grey.
    const std::string registered = AnsiToConsole("\xCF\xF0\xEE\xE3\xF0\xE0\xEC\xEC\xE0 ");
    EXPECT_EQ(Row(2).substr(0, registered.size()), registered);
    EXPECT_EQ(Row(2).find("\xE6\xA2\xA5\xE2\xAE\xA2."), 71u) << "ends with \"цветов.\"";
    for (int x = 0; x < 78; ++x)
        EXPECT_EQ(Screen.Cells().At(x, 2).Attr, 7) << "column " << x;
    // "Пожалуйста нажмите F10 и перезапустите программу заново." with F10 in bright yellow.
    EXPECT_EQ(Row(3).substr(19, 3), "F10");
    EXPECT_EQ(Screen.Cells().At(18, 3).Attr, 7);
    for (int x = 19; x < 22; ++x)
        EXPECT_EQ(Screen.Cells().At(x, 3).Attr, 0x0E) << "column " << x;
    EXPECT_EQ(Screen.Cells().At(22, 3).Attr, 7);
    EXPECT_EQ(Row(3).substr(22, 34),
              AnsiToConsole(" \xE8 \xEF\xE5\xF0\xE5\xE7\xE0\xEF\xF3\xF1\xF2\xE8\xF2\xE5 "
                            "\xEF\xF0\xEE\xE3\xF0\xE0\xEC\xEC\xF3 \xE7\xE0\xED\xEE\xE2\xEE."));
    // "Или нажмите Enter, чтобы подключиться сейчас." with Enter in bright yellow.
    EXPECT_EQ(Row(4).substr(12, 5), "Enter");
    EXPECT_EQ(Screen.Cells().At(11, 4).Attr, 7);
    for (int x = 12; x < 17; ++x)
        EXPECT_EQ(Screen.Cells().At(x, 4).Attr, 0x0E) << "column " << x;
    EXPECT_EQ(Screen.Cells().At(17, 4).Attr, 7);
    EXPECT_EQ(Row(4).substr(17, 28), ConnectNow());
    EXPECT_TRUE(test::RowIs(Screen.Cells(), 5, ' ', 7));
    // Six lines, and the colour back to light grey for the next.
    client->Lines().PrintLine("next");
    EXPECT_EQ(RowWith("next"), 6);
    EXPECT_EQ(Screen.Cells().At(0, 6).Attr, 7);
    EXPECT_TRUE(Net.Streams.empty()) << "a first start does not connect";
    EXPECT_FALSE(ServerConnected());
}

// F10 would end the demo world with the client: its notice offers Enter alone.
TEST_F(ClientFirstRun, TheDemosNoticeOffersEnterAndNotF10) {
    Env.DemoWorld = true;
    auto client = Start();
    EXPECT_FALSE(NoticeShown());
    for (int y = 1; y < 6; ++y)
        EXPECT_EQ(Row(y).find("F10"), std::string::npos) << "only the banner names F10, row " << y;
    // "Нажмите Enter, чтобы подключиться сейчас."
    EXPECT_EQ(Row(3).substr(0, 13), AnsiToConsole("\xCD\xE0\xE6\xEC\xE8\xF2\xE5 Enter"));
    EXPECT_EQ(Row(3).substr(13, 28), ConnectNow());
    for (int x = 8; x < 13; ++x)
        EXPECT_EQ(Screen.Cells().At(x, 3).Attr, 0x0E) << "column " << x;
    EXPECT_TRUE(test::RowIs(Screen.Cells(), 4, ' ', 7));
    EXPECT_TRUE(Net.Streams.empty()) << "a first start does not connect";
}

TEST_F(ClientFirstRun, TheSecondStartShowsNoNoticeAndACopyElsewhereIsAFirstRunAgain) {
    Start().reset();
    EXPECT_TRUE(Net.Streams.empty());
    auto second = Start();
    EXPECT_FALSE(NoticeShown());
    EXPECT_TRUE(ServerConnected());
    EXPECT_EQ(Net.Streams.size(), 1u);
    // The banner, then empty, connecting, empty; no notice.
    second->Lines().PrintLine("next");
    EXPECT_EQ(RowWith("next"), 4);
    EXPECT_EQ(Term.PaletteWrites, 32) << "the palette is installed at every start";
    second.reset();

    Files.Program = "/home/player/elsewhere/tolmix-client";
    auto copy = Start();
    EXPECT_TRUE(NoticeShown());
    copy->Lines().PrintLine("next");
    EXPECT_EQ(RowWith("next"), 6);
    EXPECT_EQ(Net.Streams.size(), 1u);
}

// A home that cannot be written, or a registry key the user may not write: one red line naming
// what failed, and the game goes on (connecting, since no notice could ever be answered).
TEST_F(ClientFirstRun, ARefusedRegistrationIsOneLineAndTheClientPlaysOn) {
    for (const bool typesFail : {true, false}) {
        SCOPED_TRACE(typesFail ? "file types refused" : "console values refused");
        Registry.Consoles.clear();
        Registry.FileTypesError = typesFail ? FileErrors::AccessDenied : 0;
        Registry.ConsoleError = typesFail ? 0 : FileErrors::AccessDenied;
        Net.Streams.clear();
        auto client = Start();
        EXPECT_EQ(Row(0).substr(0, 20), "Tolmix Client v1.4.0");
        // "Регистрация в системе не удалась" in bright red, then the failed value's name.
        const int row = RowWith(AnsiToConsole("\xD0\xE5\xE3\xE8\xF1\xF2\xF0\xE0\xF6\xE8\xFF"));
        ASSERT_EQ(row, 1);
        EXPECT_EQ(Screen.Cells().At(0, row).Attr, 0x0C);
        // The line wraps between words at the screen's width.
        std::string text = Row(row);
        text.erase(text.find_last_not_of(' ') + 1);
        text += " " + Row(row + 1);
        EXPECT_NE(text.find(typesFail ? "Failed to set data for ''"
                                      : "Failed to set data for 'ColorTable00'"),
                  std::string::npos)
            << text;
        EXPECT_FALSE(NoticeShown());
        EXPECT_TRUE(ServerConnected());
        EXPECT_EQ(Net.Streams.size(), 1u);
        EXPECT_EQ(Term.PaletteWrites % 16, 0) << "the palette is the terminal's and still set";
    }
}

} // namespace
} // namespace tolmix
