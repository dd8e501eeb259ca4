#include "macros/MacroFiles.h"
#include "platform/VirtualKeys.h"
#include "support/FakeFileSystem.h"

#include <gtest/gtest.h>

namespace tolmix {
namespace {

TEST(MacroFilePath, ExtensionIsForcedAndRelativeNamesComeFromTheSettingsFolder) {
    const std::string settings = "/games/hero.tcf";
    EXPECT_EQ(MacroFilePath("keys.txt", ".tmf", settings), "/games/keys.tmf");
    EXPECT_EQ(MacroFilePath("keys", ".tmf", settings), "/games/keys.tmf");
    EXPECT_EQ(MacroFilePath("my.keys.txt", ".taf", settings), "/games/my.keys.taf");
    // A name with a folder of its own is relative to the settings file too, not to whatever
    // folder is current when the files are read again.
    EXPECT_EQ(MacroFilePath("sub/keys", ".tmf", settings), "/games/sub/keys.tmf");
    EXPECT_EQ(MacroFilePath("../shared/al", ".taf", settings), "/games/../shared/al.taf");
    EXPECT_EQ(MacroFilePath("/etc/tolmix/keys.tmf", ".tmf", settings), "/etc/tolmix/keys.tmf");
    EXPECT_EQ(MacroFilePath("sub.d/keys", ".taf", settings), "/games/sub.d/keys.taf");
    EXPECT_EQ(MacroFilePath("keys", ".tmf", "TolmixClient.tcf"), "keys.tmf");
    EXPECT_EQ(MacroFilePath("sub/keys", ".tmf", "TolmixClient.tcf"), "sub/keys.tmf");
    // Settings written on Windows.
    EXPECT_EQ(MacroFilePath("sub\\keys", ".tmf", settings), "/games/sub/keys.tmf");
    EXPECT_EQ(MacroFilePath("a\\b.c\\keys.txt", ".taf", settings), "/games/a/b.c/keys.taf");
}

class MacroFilesTest : public ::testing::Test {
  protected:
    test::FakeFileSystem Files;
    TKeyMacrosMap Macros;
    TAliasArray Aliases;
    const std::string Settings = "/games/hero.tcf";

    std::vector<std::string> Load() {
        return LoadMacrosAndAliases(Files, Settings, Macros, Aliases);
    }
};

TEST_F(MacroFilesTest, EveryNamedFileLoadsInOrderAndLaterMacrosWin) {
    Files.Add(Settings, "Address=example.org\r\n"
                        "MacrosFile=keys.txt\r\n"
                        "AliasFile=first\r\n"
                        "MacrosFile=sub/more\r\n"
                        "AliasFile=second.x\r\n");
    Files.Add("/games/keys.tmf", "F1=from keys\r\nF2=only in keys\r\n");
    Files.Add("/games/sub/more.tmf", "f1=from more\r\n");
    Files.Add("/games/first.taf", "alias:\nk *\nkill $1");
    Files.Add("/games/second.taf", "alias:\nk *\nslay $1\nalias:\nj\njump");
    EXPECT_TRUE(Load().empty());
    EXPECT_EQ(Macros[0][VkF1], "from more");
    EXPECT_EQ(Macros[0][VkF1 + 1], "only in keys");
    ASSERT_EQ(Aliases.size(), 3u);
    EXPECT_EQ(Aliases[0].Text, "kill $1");
    EXPECT_EQ(Aliases[1].Text, "slay $1");
    EXPECT_EQ(Aliases[2].Text, "jump");
}

TEST_F(MacroFilesTest, OnlyExactlySpelledNamesCountAndMissingFilesAreSkipped) {
    Files.Add(Settings, "macrosfile=keys\nMACROSFILE=keys\nMacrosFile =keys\n;MacrosFile=keys\n"
                        "aliasfile=aliases\nMacrosFile=missing\nAliasFile=missing\n"
                        "MacrosFile=keys2\n");
    Files.Add("/games/keys.tmf", "F1=wrong");
    Files.Add("/games/aliases.taf", "alias:\nk\nwrong");
    Files.Add("/games/keys2.tmf", "F2=right");
    EXPECT_TRUE(Load().empty());
    EXPECT_EQ(Macros[0][VkF1], "");
    EXPECT_EQ(Macros[0][VkF1 + 1], "right");
    EXPECT_TRUE(Aliases.empty());
}

TEST_F(MacroFilesTest, AReloadStartsFromEmptyTablesAndReadsTheSettingsAnew) {
    Files.Add(Settings, "MacrosFile=keys\nAliasFile=aliases\n");
    Files.Add("/games/keys.tmf", "F1=one\nF2=two");
    Files.Add("/games/aliases.taf", "alias:\nk *\nkill $1");
    Load();
    ASSERT_EQ(Aliases.size(), 1u);
    Files.Add("/games/keys.tmf", "F1=changed");
    Files.Add("/games/aliases.taf", "alias:\nk *\nslay $1");
    Load();
    EXPECT_EQ(Macros[0][VkF1], "changed");
    EXPECT_EQ(Macros[0][VkF1 + 1], "");
    ASSERT_EQ(Aliases.size(), 1u);
    EXPECT_EQ(Aliases[0].Text, "slay $1");
    Files.Add(Settings, "MacrosFile=keys\n");
    Load();
    EXPECT_TRUE(Aliases.empty());
    Files.Files.erase(Files.Absolute(Settings));
    Load();
    EXPECT_EQ(Macros[0][VkF1], "");
}

TEST_F(MacroFilesTest, AnUnreadableFileIsSkippedWithAMessageAndTheOthersStillLoad) {
    Files.Add(Settings, "MacrosFile=locked\nMacrosFile=keys\nAliasFile=aliases\n");
    Files.Unreadable.insert("/games/locked.tmf");
    Files.Add("/games/keys.tmf", "F1=one");
    Files.Add("/games/aliases.taf", "alias:\nk *\nkill $1");
    const std::vector<std::string> problems = Load();
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].find("/games/locked.tmf"), std::string::npos) << problems[0];
    EXPECT_NE(problems[0].find("Input/output error"), std::string::npos) << problems[0];
    EXPECT_EQ(problems[0].back(), '\x87');
    EXPECT_EQ(Macros[0][VkF1], "one");
    EXPECT_EQ(Aliases.size(), 1u);
    // An unreadable settings file at a reload leaves empty tables, not a crash.
    Files.Unreadable.insert(Settings);
    EXPECT_EQ(Load().size(), 1u);
    EXPECT_EQ(Macros[0][VkF1], "");
    EXPECT_TRUE(Aliases.empty());
}

TEST_F(MacroFilesTest, AliasesPastTheLimitAreLeftOutWithTheFileNamedOnce) {
    Files.Add(Settings, "AliasFile=big\nAliasFile=small\nAliasFile=more\nMacrosFile=keys\n");
    std::string big;
    for (int i = 0; i < 300; ++i)
        big += "alias:\nc" + std::to_string(i) + "\n" + std::string(1000, 't') + "\n";
    Files.Add("/games/big.taf", big);
    Files.Add("/games/small.taf", "alias:\nk *\nkill $1");
    Files.Add("/games/more.taf", "alias:\nj\njump");
    Files.Add("/games/keys.tmf", "F1=one");
    const std::vector<std::string> problems = Load();
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].find("/games/big.taf"), std::string::npos) << problems[0];
    EXPECT_NE(problems[0].find("256 \xCA\xE8\xC1"), std::string::npos) << problems[0]; // КиБ
    // The files after it add nothing, so the kept aliases are a beginning of the list.
    ASSERT_FALSE(Aliases.empty());
    EXPECT_EQ(Aliases.back().Pattern.substr(0, 2), "^c");
    EXPECT_EQ(Macros[0][VkF1], "one");
}

TEST_F(MacroFilesTest, AReloadNamesEachMissingFileOnceAndLoadsTheRest) {
    Files.Add(Settings, "MacrosFile=sub/keys\nAliasFile=sub\\al\nMacrosFile=gone\n"
                        "AliasFile=gone.tmf\nMacrosFile=gone\n");
    Files.Add("/games/sub/keys.tmf", "F1=bound");
    Files.Add("/games/sub/al.taf", "alias:\nk *\nkill $1");
    // At start a missing file is passed over in silence.
    EXPECT_TRUE(Load().empty());
    EXPECT_EQ(Macros[0][VkF1], "bound");
    ASSERT_EQ(Aliases.size(), 1u);

    const std::vector<std::string> lines =
        LoadMacrosAndAliases(Files, Settings, Macros, Aliases, MissingFiles::Report);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "\x8F\xCE\xF8\xE8\xE1\xEA\xE0: \x89"                   // Ошибка:
                        "\xF4\xE0\xE9\xEB \xED\xE5 \xED\xE0\xE9\xE4\xE5\xED: " // файл не найден:
                        "/games/gone.tmf\x87");
    EXPECT_NE(lines[1].find("/games/gone.taf"), std::string::npos);
    EXPECT_EQ(Macros[0][VkF1], "bound");
    EXPECT_EQ(Aliases.size(), 1u);
}

TEST_F(MacroFilesTest, NamesThatAreNoFilesAreNeverReadAndNamedOnceEach) {
    Files.Add(Settings, "MacrosFile=pipe\nAliasFile=/dev/zero\nMacrosFile=dir\nAliasFile=sock\n"
                        "MacrosFile=pipe\nMacrosFile=keys\nAliasFile=al\n");
    Files.Specials = {"/games/pipe.tmf", "/dev/zero.taf", "/games/sock.taf"};
    Files.Folders.insert("/games/dir.tmf/");
    Files.Add("/games/keys.tmf", "F1=bound");
    Files.Add("/games/al.taf", "alias:\nk *\nkill $1");
    const std::string notAFile = "\x8F\xCE\xF8\xE8\xE1\xEA\xE0: \x89" // Ошибка:
                                 "\xED\xE5 \xF4\xE0\xE9\xEB: ";       // не файл:
    // At start, where missing files pass in silence, and at a reload alike.
    for (MissingFiles missing : {MissingFiles::Skip, MissingFiles::Report}) {
        const std::vector<std::string> lines =
            LoadMacrosAndAliases(Files, Settings, Macros, Aliases, missing);
        ASSERT_EQ(lines.size(), 4u);
        EXPECT_EQ(lines[0], notAFile + "/games/pipe.tmf\x87");
        EXPECT_EQ(lines[1], notAFile + "/dev/zero.taf\x87");
        EXPECT_EQ(lines[2], notAFile + "/games/dir.tmf\x87");
        EXPECT_EQ(lines[3], notAFile + "/games/sock.taf\x87");
        EXPECT_EQ(Macros[0][VkF1], "bound");
        EXPECT_EQ(Aliases.size(), 1u);
    }
    // A settings file that is a named pipe gives empty tables and one line.
    Files.Files.erase(Files.Absolute(Settings));
    Files.Specials.insert(Settings);
    const std::vector<std::string> lines = Load();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], notAFile + Settings + "\x87");
    EXPECT_EQ(Macros[0][VkF1], "");
    EXPECT_EQ(Files.SpecialReads, 0);
}

} // namespace
} // namespace tolmix
