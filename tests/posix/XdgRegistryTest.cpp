#include "e2e/harness/TempDir.h"
#include "platform/FileErrors.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/ToolProcess.h"
#include "platform/posix/XdgDesktopRegistry.h"
#include "platform/posix/XdgRegistryFiles.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <thread>

namespace tolmix::posix {
namespace {

using namespace std::chrono_literals;
using e2e::TempDir;

const std::vector<FileTypeEntry> Types = {
    {".tcf", "Tolmix Client Config", true},
    {".tmf", "Tolmix Client Macros Config", false},
    {".taf", "Tolmix Client Alias Config", false},
};

TEST(PosixAppend, CreatesAMissingFileAppendsToAnExistingOneAndReportsFailures) {
    TempDir dir;
    PosixFileSystem files;
    const std::string log = dir.String() + "/hero-2006-05-17-21-08.log";
    EXPECT_EQ(files.AppendToFile(log, "one\r\n"), 0);
    EXPECT_EQ(files.AppendToFile(log, "two\r\n"), 0);
    EXPECT_EQ(dir.ReadFile("hero-2006-05-17-21-08.log"), "one\r\ntwo\r\n");

    EXPECT_EQ(files.AppendToFile(dir.String() + "/missing/x.log", "x"), FileErrors::FileNotFound);
    EXPECT_EQ(files.AppendToFile(dir.String(), "x"), FileErrors::AccessDenied);
    if (std::filesystem::exists("/dev/full")) {
        EXPECT_EQ(files.AppendToFile("/dev/full", "x"), FileErrors::DiskFull);
    }
}

TEST(XdgFolders, AbsoluteVariablesWinAndEverythingElseFallsBackToTheHomeFolder) {
    XdgFolders f = XdgFoldersFrom("/x/data", "/x/config", "/home/p");
    EXPECT_EQ(f.DataHome, "/x/data");
    EXPECT_EQ(f.ConfigHome, "/x/config");
    EXPECT_EQ(f.StateHome, "/home/p/.local/state");
    f = XdgFoldersFrom(nullptr, "relative/config", "/home/p", "/x/state");
    EXPECT_EQ(f.DataHome, "/home/p/.local/share");
    EXPECT_EQ(f.ConfigHome, "/home/p/.config");
    EXPECT_EQ(f.StateHome, "/x/state");
    f = XdgFoldersFrom("", nullptr, "/home/p/");
    EXPECT_EQ(f.DataHome, "/home/p/.local/share");
    // Without $HOME the account's home folder serves.
    f = XdgFoldersFrom(nullptr, nullptr, nullptr);
    EXPECT_FALSE(f.ConfigHome.empty());
    EXPECT_EQ(f.ConfigHome.front(), '/');
}

TEST(XdgRegistryFiles, TheMimePackageDeclaresEachTypeByItsExtension) {
    EXPECT_EQ(MimeTypeName("Tolmix Client Macros Config"),
              "application/x-tolmix-client-macros-config");
    const std::string xml = MimePackageXml(Types);
    for (const char* part : {"<mime-type type=\"application/x-tolmix-client-config\">",
                             "<comment>Tolmix Client Config</comment>", "<glob pattern=\"*.tcf\"/>",
                             "<mime-type type=\"application/x-tolmix-client-macros-config\">",
                             "<glob pattern=\"*.tmf\"/>",
                             "<mime-type type=\"application/x-tolmix-client-alias-config\">",
                             "<glob pattern=\"*.taf\"/>"})
        EXPECT_NE(xml.find(part), std::string::npos) << part << "\n" << xml;
    EXPECT_EQ(xml.rfind("</mime-info>\n"), xml.size() - 13);
}

TEST(XdgRegistryFiles, TheExecLineQuotesTheProgramWhateverItsPathHolds) {
    EXPECT_EQ(ExecArgument("/opt/tolmix client/tolmix-client"),
              "\"/opt/tolmix client/tolmix-client\"");
    EXPECT_EQ(ExecArgument("/a$b\"c`d\\e%f"), "\"/a\\\\$b\\\\\"c\\\\`d\\\\\\\\e%%f\"");
    EXPECT_EQ(ExecArgument("/игры/клиент"), "\"/игры/клиент\"");
    EXPECT_FALSE(ExecArgument("/a\nb").has_value());
    EXPECT_FALSE(ExecArgument("/a\xFF").has_value());

    const std::optional<std::string> entry = DesktopEntry("/opt/my games/tolmix-client", Types);
    ASSERT_TRUE(entry.has_value());
    EXPECT_NE(entry->find("\nExec=\"/opt/my games/tolmix-client\" %f\n"), std::string::npos);
    // Only the settings type opens with the program.
    EXPECT_NE(entry->find("\nMimeType=application/x-tolmix-client-config;\n"), std::string::npos);
    EXPECT_EQ(entry->find("macros"), std::string::npos);
    EXPECT_FALSE(DesktopEntry("/bad\tpath", Types).has_value());
}

TEST(XdgRegistryFiles, EachProgramLocationHasItsOwnConsoleFile) {
    EXPECT_EQ(ConsoleFileName("/opt/games/tolmix-client"), "_opt_games_tolmix-client");
    const std::string longA = "/" + std::string(300, 'a') + "/one";
    const std::string longB = "/" + std::string(300, 'a') + "/two";
    EXPECT_EQ(ConsoleFileName(longA).size(), MaxFileNameBytes);
    EXPECT_NE(ConsoleFileName(longA), ConsoleFileName(longB));
    EXPECT_EQ(ConsoleFileName(longA).substr(0, 10), "_aaaaaaaaa");

    EXPECT_EQ(ConsoleFileText({{"ColorTable00", 0}, {"ColorTable09", 0xFF0000}}),
              "ColorTable00=0x00000000\nColorTable09=0x00FF0000\n");
}

class XdgRegistry : public ::testing::Test {
  protected:
    TempDir Home;
    XdgFolders Folders{Home.String() + "/share", Home.String() + "/config",
                       Home.String() + "/state"};
    XdgDesktopRegistry Registry{Folders, false};
};

TEST_F(XdgRegistry, WritesTheFileTypesAndTheConsoleFileWhoseExistenceIsTheMarker) {
    const std::string program = "/opt/my games/tolmix-client";
    ASSERT_EQ(Registry.RegisterFileTypes(program, Types), 0);
    EXPECT_EQ(Home.ReadFile("share/mime/packages/tolmix-client.xml"), MimePackageXml(Types));
    EXPECT_EQ(Home.ReadFile("share/applications/tolmix-client.desktop"),
              *DesktopEntry(program, Types));
    // Unchanged file types are left as they are; another program path replaces the entry.
    const auto entryPath = Home.Path() / "share/applications/tolmix-client.desktop";
    const auto written = std::filesystem::last_write_time(entryPath);
    std::filesystem::last_write_time(entryPath, written - std::chrono::hours(1));
    ASSERT_EQ(Registry.RegisterFileTypes(program, Types), 0);
    EXPECT_EQ(std::filesystem::last_write_time(entryPath), written - std::chrono::hours(1));
    ASSERT_EQ(Registry.RegisterFileTypes("/elsewhere/tolmix-client", Types), 0);
    EXPECT_EQ(Home.ReadFile("share/applications/tolmix-client.desktop"),
              *DesktopEntry("/elsewhere/tolmix-client", Types));
    ASSERT_EQ(Registry.RegisterFileTypes(program, Types), 0);

    EXPECT_FALSE(Registry.ConsoleKeyExists(program));
    ASSERT_EQ(Registry.WriteConsoleValues(program, {{"ColorTable07", 0xA0A0A0}}), 0);
    EXPECT_TRUE(Registry.ConsoleKeyExists(program));
    EXPECT_EQ(Registry.ConsoleFilePath(program),
              Home.String() + "/config/tolmix-client/console/_opt_my games_tolmix-client");
    EXPECT_EQ(Home.ReadFile("config/tolmix-client/console/_opt_my games_tolmix-client"),
              "ColorTable07=0x00A0A0A0\n");
    EXPECT_FALSE(Registry.ConsoleKeyExists("/elsewhere/tolmix-client"));

    // Written again whole, whatever was there; no temporary file is left behind.
    ASSERT_EQ(Registry.WriteConsoleValues(program, {{"ColorTable08", 0x404040}}), 0);
    EXPECT_EQ(Home.ReadFile("config/tolmix-client/console/_opt_my games_tolmix-client"),
              "ColorTable08=0x00404040\n");
    int entries = 0;
    for ([[maybe_unused]] const auto& e :
         std::filesystem::directory_iterator(Home.Path() / "config/tolmix-client/console"))
        ++entries;
    EXPECT_EQ(entries, 1);
}

TEST_F(XdgRegistry, AFolderThatCannotBeMadeFailsTheWriteAndIsNamedWithTheReason) {
    EXPECT_EQ(Registry.LastFailure(), "");
    Home.WriteFile("config", "a file where the folder should be");
    EXPECT_EQ(Registry.WriteConsoleValues("/opt/tolmix-client", {{"ColorTable00", 0}}),
              FileErrors::PathNotFound);
    EXPECT_EQ(Registry.LastFailure(), Home.String() + "/config/tolmix-client: Not a directory");
    // A file where the file types' folder should be.
    Home.WriteFile("share", "x");
    EXPECT_NE(Registry.RegisterFileTypes("/opt/tolmix-client", Types), 0);
    EXPECT_EQ(Registry.LastFailure(), Home.String() + "/share/mime: Not a directory");
    XdgDesktopRegistry nowhere(XdgFolders{}, false);
    EXPECT_NE(nowhere.RegisterFileTypes("/opt/tolmix-client", Types), 0);
    EXPECT_NE(nowhere.LastFailure(), "");
    EXPECT_FALSE(nowhere.ConsoleKeyExists("/opt/tolmix-client"));
}

TEST(ReplaceFile, AFileThatCannotBeReplacedIsNamedWithTheSystemsReason) {
    TempDir home;
    // A folder standing where the file should be: the rename fails.
    std::filesystem::create_directories(home.Path() / "target" / "inside");
    std::string failure;
    EXPECT_NE(ReplaceFile(home.String() + "/target", "bytes", nullptr, &failure), 0);
    EXPECT_EQ(failure, home.String() + "/target: Is a directory");
    EXPECT_FALSE(
        std::filesystem::exists(home.String() + "/target.new-" + std::to_string(::getpid())));
}

TEST_F(XdgRegistry, TheDesktopDatabasesLearnTheTypes) {
    if (!ToolExists("update-mime-database"))
        GTEST_SKIP() << "update-mime-database (shared-mime-info) is not installed";
    XdgDesktopRegistry refreshing(Folders, true);
    ASSERT_EQ(refreshing.RegisterFileTypes("/opt/tolmix-client", Types), 0);
    // The tools run in the background: their files appear some time after.
    const auto eventually = [&](const char* file, const char* text) {
        std::string content;
        for (int i = 0; i < 1000 && content.find(text) == std::string::npos; ++i) {
            std::this_thread::sleep_for(10ms);
            if (std::filesystem::exists(Home.Path() / file))
                content = Home.ReadFile(file);
        }
        return content;
    };
    const std::string globs = eventually("share/mime/globs2", "*.taf");
    EXPECT_NE(globs.find("application/x-tolmix-client-config:*.tcf"), std::string::npos) << globs;
    EXPECT_NE(globs.find("application/x-tolmix-client-alias-config:*.taf"), std::string::npos);
    if (ToolExists("update-desktop-database")) {
        const char* entry = "application/x-tolmix-client-config=tolmix-client.desktop;";
        EXPECT_NE(eventually("share/applications/mimeinfo.cache", entry).find(entry),
                  std::string::npos);
    }
}

TEST_F(XdgRegistry, TheDesktopEntryPassesTheValidator) {
    if (!ToolExists("desktop-file-validate"))
        GTEST_SKIP() << "desktop-file-validate (desktop-file-utils) is not installed";
    for (const std::string program :
         {"/opt/tolmix-client", "/home/p/my games/$HOME \"x\"/back\\slash/100%/tolmix-client",
          "/home/игрок/клиент/tolmix-client"}) {
        ASSERT_EQ(Registry.RegisterFileTypes(program, Types), 0);
        const std::string path = Registry.DesktopEntryPath();
        // The validator prints what it finds; no output, and success, means a clean entry.
        const std::optional<std::string> report =
            RunTool({"desktop-file-validate", path}, "", 10s, 1 << 16);
        ASSERT_TRUE(report.has_value()) << program << "\n" << Home.ReadFile(path);
        EXPECT_EQ(*report, "") << program;
    }
}

} // namespace
} // namespace tolmix::posix
