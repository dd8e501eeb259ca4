#include "app/ProgramLayout.h"
#include "support/FakeFileSystem.h"

#include <gtest/gtest.h>

namespace tolmix {
namespace {

using Folders = std::vector<std::string>;

TEST(ProgramLayout, ACopyKeepsItsPluginsAndTheDemoWorldBesideIt) {
    test::FakeFileSystem files;
    const ProgramLayout layout = LocateProgram(files, "/home/p/tolmix/build/", "/home/p/.data");
    EXPECT_FALSE(layout.Installed);
    EXPECT_EQ(layout.PluginFolders, Folders{"/home/p/tolmix/build/Plugins/"});
    EXPECT_EQ(layout.DemoWorld, "/home/p/tolmix/build/tolmix-demo-world");

    // A bin folder without the installed companions is still a copy of its own.
    const ProgramLayout home = LocateProgram(files, "/home/p/bin/", "/home/p/.data");
    EXPECT_FALSE(home.Installed);
    EXPECT_EQ(home.PluginFolders, Folders{"/home/p/bin/Plugins/"});
}

TEST(ProgramLayout, AnInstalledProgramLooksInThePlayersPluginsFirstThenInItsPrefix) {
    test::FakeFileSystem files;
    files.Folders.insert("/usr/lib/tolmix-client");
    const ProgramLayout layout = LocateProgram(files, "/usr/bin/", "/home/p/.local/share");
    EXPECT_TRUE(layout.Installed);
    EXPECT_EQ(layout.PluginFolders, (Folders{"/home/p/.local/share/tolmix-client/plugins/",
                                             "/usr/lib/tolmix-client/plugins/"}));
    EXPECT_EQ(layout.DemoWorld, "/usr/lib/tolmix-client/tolmix-demo-world");

    // Unpacked into another root (dpkg -x): the prefix is wherever bin is.
    files.Folders.insert("/tmp/root/usr/lib/tolmix-client/");
    const ProgramLayout unpacked = LocateProgram(files, "/tmp/root/usr/bin/", "");
    EXPECT_TRUE(unpacked.Installed);
    EXPECT_EQ(unpacked.PluginFolders, Folders{"/tmp/root/usr/lib/tolmix-client/plugins/"});
    EXPECT_EQ(unpacked.DemoWorld, "/tmp/root/usr/lib/tolmix-client/tolmix-demo-world");
}

} // namespace
} // namespace tolmix
