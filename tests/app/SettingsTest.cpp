#include "app/ClientSettings.h"
#include "support/FakeFileSystem.h"
#include "util/TolmixStringList.h"

#include <gtest/gtest.h>

namespace tolmix {
namespace {

ClientSettings Read(const std::string& text) {
    TTolmixStringList list;
    list.SetText(text);
    return ReadClientSettings(list);
}

TEST(SettingsInteger, AcceptsEveryWrittenForm) {
    struct Case {
        const char* text;
        int32_t value;
    } cases[] = {{"31", 31},
                 {"$1F", 31},
                 {"0x1F", 31},
                 {"0X1f", 31},
                 {"x1F", 31},
                 {"X1F", 31},
                 {"   31", 31},
                 {"+31", 31},
                 {"-31", -31},
                 {"-$10", -16},
                 {"2147483647", INT32_MAX},
                 {"-2147483648", INT32_MIN},
                 {"$FFFFFFFF", -1},
                 {"007", 7}};
    for (const Case& c : cases) {
        int32_t value = 0;
        EXPECT_TRUE(ParseSettingsInteger(c.text, value)) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
    }
}

TEST(SettingsInteger, RejectsWhatIsNoNumber) {
    for (const char* text : {"", " ", "31 ", "3 1", "abc", "0x", "$", "+", "-", "2147483648",
                             "-2147483649", "$100000000", "1e3", "\t31", "31\t", "0x1G"}) {
        int32_t value = 12345;
        EXPECT_FALSE(ParseSettingsInteger(text, value)) << '"' << text << '"';
    }
}

TEST(SettingsFile, ColoursAndClampsFollowTheirRules) {
    EXPECT_EQ(Read("InfoPanelColor=$1F").InfoPanelColor, 0x1F);
    EXPECT_EQ(Read("InfoPanelColor= 31").InfoPanelColor, 0x1F);
    EXPECT_EQ(Read("InfoPanelColor=31 ").InfoPanelColor, 0x87);
    EXPECT_EQ(Read("NameColor=$12345").NameColor, 0x2345); // 16-bit field

    EXPECT_EQ(Read("SizeX=20").SizeX, 20);
    EXPECT_EQ(Read("SizeX=21").SizeX, 21);
    EXPECT_EQ(Read("SizeX=5").SizeX, 20);
    EXPECT_EQ(Read("SizeX=65556").SizeX, 20); // low 16 bits are 20
    EXPECT_EQ(Read("SizeX=65636").SizeX, 100);
    EXPECT_EQ(Read("SizeX=40000").SizeX, 20); // negative as a 16-bit value
    EXPECT_EQ(Read("SizeY=3").SizeY, 5);

    const ClientSettings s = Read("SizeY=40\nOutputSize=50");
    EXPECT_EQ(s.OutputSize, 80);
    EXPECT_EQ(Read("SizeY=3\nOutputSize=7").OutputSize, 10);
    EXPECT_EQ(Read("OutputSize=50").OutputSize, 50);
    EXPECT_EQ(Read("HistorySize=0").HistorySize, 1);
    EXPECT_EQ(Read("HistorySize=-5").HistorySize, 1);
    EXPECT_EQ(Read("EditorLines=0").EditorLines, 1);
    EXPECT_EQ(Read("EditorLines=3").EditorLines, 3);
}

TEST(SettingsFile, HugeOutputSizeIsLoweredToTheMostWithANote) {
    EXPECT_TRUE(Read("OutputSize=100000").Notes.empty());
    EXPECT_EQ(Read("OutputSize=100000").OutputSize, 100000);

    const ClientSettings huge = Read("OutputSize=5000000");
    EXPECT_EQ(huge.OutputSize, MaxOutputSize);
    ASSERT_EQ(huge.Notes.size(), 1u);
    EXPECT_NE(huge.Notes[0].find("OutputSize=5000000"), std::string::npos) << huge.Notes[0];
    EXPECT_NE(huge.Notes[0].find("keeps 100000 rows"), std::string::npos) << huge.Notes[0];
    EXPECT_EQ(Read("OutputSize=2147483647").OutputSize, MaxOutputSize);

    // A wide screen keeps fewer rows: no more than 16 Mi cells in all.
    const ClientSettings wide = Read("SizeX=1000\nOutputSize=100000");
    EXPECT_EQ(wide.OutputSize, 16777);
    EXPECT_LE(int64_t{wide.OutputSize} * wide.SizeX, MaxOutputCells);
    // The screen's own minimum still wins over the most.
    EXPECT_EQ(Read("SizeX=30000\nSizeY=1000\nOutputSize=100000").OutputSize, 2000);
}

TEST(SettingsFile, BooleansReadAsIntegers) {
    EXPECT_TRUE(Read("InfoPanel=no").InfoPanel);
    EXPECT_FALSE(Read("InfoPanel=0").InfoPanel);
    EXPECT_TRUE(Read("InfoPanel=2").InfoPanel);
    EXPECT_FALSE(Read("LogEnabled=true").LogEnabled);
    EXPECT_TRUE(Read("LogEnabled=-1").LogEnabled);
    EXPECT_TRUE(Read("EnterSwap=$1").EnterSwap);
}

TEST(SettingsFile, NamesMatchWithoutCaseButAreNeverTrimmed) {
    EXPECT_EQ(Read("port=4001").Server.Port, "4001");
    EXPECT_EQ(Read("PORT=4001").Server.Port, "4001");
    EXPECT_EQ(Read("Port =4001").Server.Port, "4000");
    EXPECT_EQ(Read(" Port=4001").Server.Port, "4000");
    EXPECT_EQ(Read(";Port=4001").Server.Port, "4000");
    EXPECT_EQ(Read("Port= 4001 ").Server.Port, " 4001 "); // strings are taken as they stand
}

TEST(SettingsFile, FirstLineWinsAndEmptyValueIsNoDefault) {
    EXPECT_EQ(Read("Address=one\r\nAddress=two").Server.Address, "one");
    EXPECT_EQ(Read("Address=").Server.Address, "");
    EXPECT_EQ(Read("").Server.Address, DefaultServerHost);
    EXPECT_EQ(Read("Address=a=b").Server.Address, "a=b");
}

TEST(SettingsFile, LinesEndAtEveryLineBreakAndAtZero) {
    const ClientSettings s = Read("Port=1\rAddress=h\nSizeX=30\r\nSizeY=9");
    EXPECT_EQ(s.Server.Port, "1");
    EXPECT_EQ(s.Server.Address, "h");
    EXPECT_EQ(s.SizeX, 30);
    EXPECT_EQ(s.SizeY, 9);
    EXPECT_EQ(Read(std::string("Port=1", 6) + std::string(1, '\0') + "\nAddress=h").Server.Address,
              DefaultServerHost);
}

TEST(SettingsFile, AutoSendIsKeptInTheConsoleCodePage) {
    EXPECT_EQ(Read("").Server.AutoSend, "0|2");
    // Windows-1251 "\xE8\xEC\xFF" (a small word) becomes code page 866.
    EXPECT_EQ(Read("AutoSend=\xE8\xEC\xFF|\x81x").Server.AutoSend, "\xA8\xAC\xEF|\x11x");
}

TEST(SettingsFile, EncodingNamesTheServersCodePage) {
    EXPECT_EQ(Read("").Server.Encoding, ServerEncoding::Windows1251);
    EXPECT_EQ(Read("Encoding=utf-8").Server.Encoding, ServerEncoding::Utf8);
    EXPECT_EQ(Read("Encoding=KOI8-R").Server.Encoding, ServerEncoding::Koi8R);
    EXPECT_EQ(Read("Encoding=cp866").Server.Encoding, ServerEncoding::Cp866);
    EXPECT_TRUE(Read("Encoding=Windows-1251").Notes.empty());
    // Anything else is said below the banner, and the server's own code page is used.
    for (const char* value : {"Encoding=utf8", "Encoding=", "Encoding= utf-8"}) {
        const ClientSettings s = Read(value);
        EXPECT_EQ(s.Server.Encoding, ServerEncoding::Windows1251) << value;
        ASSERT_EQ(s.Notes.size(), 1u) << value;
        EXPECT_NE(s.Notes[0].find(value), std::string::npos) << s.Notes[0];
        EXPECT_NE(s.Notes[0].find("windows-1251."), std::string::npos) << s.Notes[0];
    }
    // The quoted value cannot bring colour bytes or control bytes, nor any length.
    const ClientSettings odd = Read("Encoding=\x81\x1b[2J" + std::string(500, 'x'));
    ASSERT_EQ(odd.Notes.size(), 1u);
    EXPECT_NE(odd.Notes[0].find("Encoding=??[2Jxxx"), std::string::npos) << odd.Notes[0];
    EXPECT_LT(odd.Notes[0].size(), 150u);
    EXPECT_EQ(odd.Notes[0].find('\x1b'), std::string::npos);
}

TEST(SettingsFileChoice, UsesTheArgumentWithItsExtensionChanged) {
    test::FakeFileSystem files;
    files.Add("/games/hero.tcf", "");
    const char* withTxt[] = {"client", "/games/hero.txt"};
    EXPECT_EQ(ChooseSettingsPath(files, 2, withTxt), "/games/hero.tcf");
    const char* bare[] = {"client", "/games/hero"};
    EXPECT_EQ(ChooseSettingsPath(files, 2, bare), "/games/hero.tcf");
    const char* dottedFolder[] = {"client", "/games.d/hero"};
    EXPECT_EQ(ChooseSettingsPath(files, 2, dottedFolder), DefaultSettingsFile);
    const char* missing[] = {"client", "/games/villain.txt"};
    EXPECT_EQ(ChooseSettingsPath(files, 2, missing), DefaultSettingsFile);
    const char* none[] = {"client"};
    EXPECT_EQ(ChooseSettingsPath(files, 1, none), DefaultSettingsFile);
}

// The desktop's "*.tcf" pattern matches an upper-case extension too.
TEST(SettingsFile, AnExtensionInAnotherLetterCaseIsFound) {
    test::FakeFileSystem files;
    files.Add("/games/HERO.TCF", "");
    files.Add("/games/Mage.Tcf", "");
    files.Add("/games/mage.tcf.bak", "");
    const char* upper[] = {"client", "/games/HERO.TCF"};
    EXPECT_EQ(ChooseSettingsPath(files, 2, upper), "/games/HERO.TCF");
    const char* otherExtension[] = {"client", "/games/HERO.txt"};
    EXPECT_EQ(ChooseSettingsPath(files, 2, otherExtension), "/games/HERO.TCF");
    const char* mixed[] = {"client", "/games/Mage"};
    EXPECT_EQ(ChooseSettingsPath(files, 2, mixed), "/games/Mage.Tcf");
    // The name itself keeps its letter case.
    const char* lowerName[] = {"client", "/games/hero.TCF"};
    EXPECT_EQ(ChooseSettingsPath(files, 2, lowerName), DefaultSettingsFile);
    // Where both spellings exist, the exact one wins.
    files.Add("/games/HERO.tcf", "");
    EXPECT_EQ(ChooseSettingsPath(files, 2, upper), "/games/HERO.tcf");
}

TEST(SettingsFile, AnUpperCaseNameInTheCurrentFolderIsFound) {
    test::FakeFileSystem files;
    files.Add("HERO.TCF", "");
    const char* upper[] = {"client", "HERO.TCF"};
    EXPECT_EQ(ChooseSettingsPath(files, 2, upper), "HERO.TCF");
}

} // namespace
} // namespace tolmix
