#include "util/FilePaths.h"

#include <gtest/gtest.h>

namespace tolmix {
namespace {

constexpr PathStyle Posix = PathStyle::Posix;
constexpr PathStyle Windows = PathStyle::Windows;

TEST(FilePathsTest, PosixFolderPartEndsAtTheLastSlashOnly) {
    EXPECT_EQ(ExtractFilePath("/opt/tolmix/tolmix-client", Posix), "/opt/tolmix/");
    EXPECT_EQ(ExtractFilePath("tolmix-client", Posix), "");
    EXPECT_EQ(ExtractFilePath("/", Posix), "/");
    // A backslash is an ordinary character of a POSIX file name.
    EXPECT_EQ(ExtractFilePath("/tmp/a\\b.tcf", Posix), "/tmp/");
    EXPECT_EQ(ExtractFilePath("C:game.tcf", Posix), "");
}

TEST(FilePathsTest, WindowsFolderPartEndsAtEitherSeparatorOrTheDrive) {
    EXPECT_EQ(ExtractFilePath("C:\\Games\\Tolmix\\tolmix-client.exe", Windows),
              "C:\\Games\\Tolmix\\");
    EXPECT_EQ(ExtractFilePath("C:/Games/Tolmix\\mud.tcf", Windows), "C:/Games/Tolmix\\");
    EXPECT_EQ(ExtractFilePath("C:mud.tcf", Windows), "C:");
    EXPECT_EQ(ExtractFilePath("\\\\server\\share\\mud.tcf", Windows), "\\\\server\\share\\");
    EXPECT_EQ(ExtractFilePath("mud.tcf", Windows), "");
}

TEST(FilePathsTest, ExtensionIsTakenFromTheFileNameNotFromAFolder) {
    EXPECT_EQ(ChangeFileExt("/opt/v1.2/mud", ".tcf", Posix), "/opt/v1.2/mud.tcf");
    EXPECT_EQ(ChangeFileExt("/opt/mud.cfg", ".tcf", Posix), "/opt/mud.tcf");
    EXPECT_EQ(ChangeFileExt("C:\\Games\\v1.2\\mud", ".tcf", Windows), "C:\\Games\\v1.2\\mud.tcf");
    EXPECT_EQ(ChangeFileExt("C:\\Games\\v1.2\\mud.ini", ".tcf", Windows),
              "C:\\Games\\v1.2\\mud.tcf");
    EXPECT_EQ(ChangeFileExt("C:mud", ".tcf", Windows), "C:mud.tcf");
    EXPECT_EQ(ChangeFileExt("\\\\host.lan\\share\\mud", ".tcf", Windows),
              "\\\\host.lan\\share\\mud.tcf");
    EXPECT_EQ(ChangeFileExt("mud.", "", Windows), "mud");
}

TEST(FilePathsTest, JoinPutsOneSeparatorOfTheStyle) {
    EXPECT_EQ(JoinPath("/opt/tolmix", "Plugins", Posix), "/opt/tolmix/Plugins");
    EXPECT_EQ(JoinPath("/opt/tolmix/", "Plugins", Posix), "/opt/tolmix/Plugins");
    EXPECT_EQ(JoinPath("", "Plugins", Posix), "Plugins");
    EXPECT_EQ(JoinPath("C:\\Games", "Plugins", Windows), "C:\\Games\\Plugins");
    EXPECT_EQ(JoinPath("C:\\Games\\", "Plugins", Windows), "C:\\Games\\Plugins");
    EXPECT_EQ(JoinPath("C:/Games/", "Plugins", Windows), "C:/Games/Plugins");
    EXPECT_EQ(JoinPath("C:", "mud.tcf", Windows), "C:mud.tcf");
    // A folder keeps the separator it uses already.
    EXPECT_EQ(JoinPath("/home/player", "mud.tcf", Windows), "/home/player/mud.tcf");
    EXPECT_EQ(JoinPath("C:\\Games/Tolmix", "Plugins", Windows), "C:\\Games/Tolmix/Plugins");
    EXPECT_EQ(JoinPath("D:/Games\\Tolmix", "Plugins", Windows), "D:/Games\\Tolmix\\Plugins");
    EXPECT_EQ(JoinPath("home\\player", "a/b", Posix), "home\\player/a/b");
}

TEST(FilePathsTest, AbsolutePathsByStyle) {
    EXPECT_TRUE(IsAbsolutePath("/etc", Posix));
    EXPECT_FALSE(IsAbsolutePath("C:\\Games", Posix));
    EXPECT_FALSE(IsAbsolutePath("\\\\server\\share", Posix));
    EXPECT_FALSE(IsAbsolutePath("", Posix));

    EXPECT_TRUE(IsAbsolutePath("C:\\Games", Windows));
    EXPECT_TRUE(IsAbsolutePath("d:/games", Windows));
    EXPECT_TRUE(IsAbsolutePath("\\\\server\\share\\mud.tcf", Windows));
    EXPECT_TRUE(IsAbsolutePath("\\Games", Windows));
    EXPECT_TRUE(IsAbsolutePath("/Games", Windows));
    EXPECT_FALSE(IsAbsolutePath("C:Games", Windows));
    EXPECT_FALSE(IsAbsolutePath("Games\\mud.tcf", Windows));
    EXPECT_FALSE(IsAbsolutePath("1:\\Games", Windows));
}

TEST(FilePathsTest, ExpandKeepsAbsolutePathsAndJoinsRelativeOnes) {
    EXPECT_EQ(ExpandFileName("/home/u", "mud.tcf", Posix), "/home/u/mud.tcf");
    EXPECT_EQ(ExpandFileName("/home/u", "/etc/mud.tcf", Posix), "/etc/mud.tcf");
    EXPECT_EQ(ExpandFileName("C:\\Games", "mud.tcf", Windows), "C:\\Games\\mud.tcf");
    EXPECT_EQ(ExpandFileName("C:\\Games", "Worlds\\mud.tcf", Windows),
              "C:\\Games\\Worlds\\mud.tcf");
    EXPECT_EQ(ExpandFileName("C:\\Games", "D:\\mud.tcf", Windows), "D:\\mud.tcf");
    EXPECT_EQ(ExpandFileName("C:\\Games", "\\\\nas\\mud\\mud.tcf", Windows),
              "\\\\nas\\mud\\mud.tcf");
    EXPECT_EQ(ExpandFileName("C:\\Games", "D:mud.tcf", Windows), "D:mud.tcf");
}

} // namespace
} // namespace tolmix
