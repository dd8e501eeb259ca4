#include "platform/win32/Win32FileSystem.h"
#include "platform/FileErrors.h"
#include "platform/win32/WinText.h"
#include "util/FilePaths.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>

namespace tolmix::win32 {
namespace {

namespace fs = std::filesystem;

fs::path Wide(const std::string& utf8) {
    return fs::path(Utf8ToWide(utf8));
}

class Win32FileSystemTest : public ::testing::Test {
  protected:
    Win32FileSystem Files;
    fs::path Root;
    fs::path StartDir = fs::current_path();
    // A folder whose name needs more than one code page: Cyrillic and Greek letters.
    std::string Folder;

    void SetUp() override {
        std::random_device random;
        Root = fs::temp_directory_path() / ("tolmix-files-" + std::to_string(random()));
        fs::create_directories(Root);
        Folder = WideToUtf8(Root.wstring()) + "\\\xD0\x98\xD0\xB3\xD1\x80\xCE\xB1";
        ASSERT_TRUE(fs::create_directory(Wide(Folder)));
    }
    void TearDown() override {
        fs::current_path(StartDir);
        fs::remove_all(Root);
    }
};

TEST_F(Win32FileSystemTest, Utf8PathsInAnyLettersReachTheSystem) {
    const std::string file = JoinPath(Folder, "\xD0\xBC\xD0\xB0\xD0\xB4.tcf"); // "мад.tcf"
    EXPECT_FALSE(Files.FileExists(file));
    EXPECT_EQ(Files.AppendToFile(file, "Port=4000\r\n"), 0);
    EXPECT_EQ(Files.AppendToFile(file, "Address=localhost\r\n"), 0);
    EXPECT_TRUE(Files.FileExists(file));
    EXPECT_FALSE(Files.FileExists(Folder)); // a folder is no file
    const FileReadResult read = Files.ReadFile(file);
    ASSERT_TRUE(read.Ok);
    EXPECT_EQ(read.Data, "Port=4000\r\nAddress=localhost\r\n");
    EXPECT_TRUE(fs::exists(Wide(file)));
}

// The history's way of writing: missing folders made, the file replaced whole, a longer file
// than the reader takes refused by its size.
TEST_F(Win32FileSystemTest, WriteWholeFileMakesTheFoldersAndReplacesTheFileWhole) {
    const std::string file = JoinPath(JoinPath(Folder, "Tolmix Client"), "hero.history");
    ASSERT_EQ(Files.WriteWholeFile(file, "first\n"), 0);
    ASSERT_EQ(Files.WriteWholeFile(file, "second\n"), 0);
    EXPECT_EQ(Files.ReadFile(file).Data, "second\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(Wide(JoinPath(Folder, "Tolmix Client"))),
                            fs::directory_iterator()),
              1);
    const FileReadResult refused = Files.ReadFileUpTo(file, 3);
    EXPECT_FALSE(refused.Ok);
    EXPECT_TRUE(refused.TooLarge);
}

// A folder and a device are told from files and never read: reading a device may never end.
TEST_F(Win32FileSystemTest, FoldersAndDevicesAreNoFilesAndAreNotRead) {
    const std::string file = JoinPath(Folder, "keys.tmf");
    EXPECT_EQ(Files.AppendToFile(file, "F1=look\r\n"), 0);
    EXPECT_EQ(Files.Kind(file), EntryKind::File);
    EXPECT_EQ(Files.Kind(Folder), EntryKind::Folder);
    EXPECT_EQ(Files.Kind(JoinPath(Folder, "missing.tmf")), EntryKind::Missing);
    EXPECT_TRUE(Files.ReadFile(Folder).NotAFile);
    const FileReadResult device = Files.ReadFile("NUL");
    EXPECT_FALSE(device.Ok);
    EXPECT_TRUE(device.NotAFile);
    EXPECT_FALSE(Files.ReadFile(file).NotAFile);
}

TEST_F(Win32FileSystemTest, FailuresGiveTheSystemsReasonAndCode) {
    const FileReadResult missing = Files.ReadFile(JoinPath(Folder, "missing.tcf"));
    EXPECT_FALSE(missing.Ok);
    EXPECT_FALSE(missing.Error.empty());
    EXPECT_EQ(Files.AppendToFile(JoinPath(Folder, "no\\such\\folder\\x.log"), "x"),
              FileErrors::PathNotFound);
    EXPECT_EQ(Files.AppendToFile(Folder, "x"), FileErrors::AccessDenied);
    EXPECT_EQ(FileErrorFromSystem(112), FileErrors::DiskFull); // ERROR_DISK_FULL
    EXPECT_EQ(FileErrorFromSystem(32), FileErrors::SharingViolation);
    EXPECT_EQ(FileErrorFromSystem(1), FileErrors::GeneralFailure);
}

TEST_F(Win32FileSystemTest, ListsFilesButNotFoldersAndChangesTheCurrentFolder) {
    EXPECT_EQ(Files.ListFiles(Folder), std::vector<std::string>{});
    Files.AppendToFile(JoinPath(Folder, "Dice.DLL"), "x");
    Files.AppendToFile(JoinPath(Folder, "\xD1\x91.txt"), "x");
    fs::create_directory(Wide(JoinPath(Folder, "sub.dll")));
    auto names = Files.ListFiles(Folder);
    ASSERT_TRUE(names);
    std::sort(names->begin(), names->end());
    EXPECT_EQ(*names, (std::vector<std::string>{"Dice.DLL", "\xD1\x91.txt"}));
    EXPECT_EQ(Files.ListFiles(JoinPath(Folder, "missing")), std::nullopt);

    ASSERT_TRUE(Files.ChangeDirectory(Folder));
    EXPECT_EQ(Files.CurrentDirectory(), Folder);
    EXPECT_TRUE(Files.FileExists("Dice.DLL"));
    EXPECT_FALSE(Files.ChangeDirectory(JoinPath(Folder, "missing")));
    EXPECT_EQ(Files.CurrentDirectory(), Folder);
}

TEST_F(Win32FileSystemTest, ASettingsFileWhosePathIsLongerThanTheClassicLimitIsRead) {
    // 300 characters and more, with a "." and forward slashes on the way.
    std::string folder = Folder;
    std::vector<std::wstring> made; // taken away again below: the runtime's remove_all cannot
    for (int i = 0; folder.size() < 300; ++i) {
        folder += "\\" + std::string(40, static_cast<char>('a' + i));
        made.push_back(L"\\\\?\\" + Utf8ToWide(folder));
        ASSERT_TRUE(::CreateDirectoryW(made.back().c_str(), nullptr));
    }
    const std::string path = folder + "/./hero.tcf";
    ASSERT_GT(path.size(), 300u);
    EXPECT_EQ(SystemPath(path).rfind(L"\\\\?\\", 0), 0u);
    EXPECT_EQ(SystemPath(path).find(L'/'), std::wstring::npos);
    EXPECT_EQ(Files.AppendToFile(path, "Port=4000\r\n"), 0);
    EXPECT_TRUE(Files.FileExists(path));
    const FileReadResult read = Files.ReadFile(path);
    EXPECT_TRUE(read.Ok) << read.Error;
    EXPECT_EQ(read.Data, "Port=4000\r\n");
    const auto names = Files.ListFiles(folder);
    ASSERT_TRUE(names);
    EXPECT_EQ(*names, std::vector<std::string>{"hero.tcf"});
    // A short path stays as it was.
    EXPECT_EQ(SystemPath("C:/a/./b.tcf"), L"C:/a/./b.tcf");
    EXPECT_TRUE(::DeleteFileW(SystemPath(folder + "\\hero.tcf").c_str()));
    for (auto it = made.rbegin(); it != made.rend(); ++it)
        EXPECT_TRUE(::RemoveDirectoryW(it->c_str()));
}

TEST_F(Win32FileSystemTest, ProgramPathIsTheRunningExecutable) {
    const std::string path = Files.ProgramPath();
    EXPECT_TRUE(IsAbsolutePath(path, PathStyle::Windows)) << path;
    EXPECT_TRUE(Files.FileExists(path));
    EXPECT_EQ(ChangeFileExt(path, "", PathStyle::Windows).substr(ExtractFilePath(path).size()),
              "win32_tests");
}

} // namespace
} // namespace tolmix::win32
