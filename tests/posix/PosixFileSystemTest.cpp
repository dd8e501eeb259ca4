#include "platform/posix/PosixFileSystem.h"
#include "e2e/harness/TempDir.h"
#include "macros/MacroFiles.h"
#include "platform/FileErrors.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

namespace tolmix {
namespace {

using e2e::TempDir;

// A listening Unix socket bound at path, closed at the end of the test.
class BoundSocket {
  public:
    explicit BoundSocket(const std::string& path) : Fd(::socket(AF_UNIX, SOCK_STREAM, 0)) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
        Bound = Fd >= 0 && path.size() < sizeof address.sun_path &&
                ::bind(Fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    }
    ~BoundSocket() {
        if (Fd >= 0)
            ::close(Fd);
    }
    BoundSocket(const BoundSocket&) = delete;
    BoundSocket& operator=(const BoundSocket&) = delete;
    int Fd;
    bool Bound = false;
};

// A named pipe with no writer, a socket, an endless device and a folder are told apart from
// files and never read: reading any of them would wait for ever or never end.
TEST(PosixFileSystem, PipesSocketsDevicesAndFoldersAreNoFilesAndAreNotRead) {
    TempDir dir("tolmix-files");
    const std::string fifo = dir.String() + "/keys.tmf";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const BoundSocket socket(dir.String() + "/al.taf");
    ASSERT_TRUE(socket.Bound);
    dir.WriteFile("folder.tcf/inside", "x");
    dir.WriteFile("real.tcf", "Port=4000\n");
    const posix::PosixFileSystem files;

    EXPECT_EQ(files.Kind(dir.String() + "/real.tcf"), EntryKind::File);
    EXPECT_EQ(files.Kind(dir.String() + "/absent.tcf"), EntryKind::Missing);
    EXPECT_EQ(files.Kind(dir.String() + "/folder.tcf"), EntryKind::Folder);
    for (const std::string& name :
         {fifo, dir.String() + "/al.taf", std::string("/dev/zero"), std::string("/dev/null")}) {
        EXPECT_EQ(files.Kind(name), EntryKind::Other) << name;
        const FileReadResult read = files.ReadFile(name);
        EXPECT_FALSE(read.Ok) << name;
        EXPECT_TRUE(read.NotAFile) << name;
    }
    EXPECT_TRUE(files.ReadFile(dir.String() + "/folder.tcf").NotAFile);
    const FileReadResult real = files.ReadFile(dir.String() + "/real.tcf");
    EXPECT_TRUE(real.Ok);
    EXPECT_FALSE(real.NotAFile);
    EXPECT_EQ(real.Data, "Port=4000\n");

    // Through the reader of the settings: every such name is one line, and nothing waits.
    // The names get their extensions, so the device is reached through a link.
    const std::string zero = dir.String() + "/zero.taf";
    ASSERT_EQ(::symlink("/dev/zero", zero.c_str()), 0);
    dir.WriteFile("dir.tmf/inside", "x");
    dir.WriteFile("hero.tcf", "MacrosFile=keys\nAliasFile=al\nAliasFile=zero\nMacrosFile=dir\n");
    TKeyMacrosMap macros;
    TAliasArray aliases;
    const std::vector<std::string> lines =
        LoadMacrosAndAliases(files, dir.String() + "/hero.tcf", macros, aliases);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_NE(lines[0].find(fifo), std::string::npos) << lines[0];
    EXPECT_NE(lines[2].find(zero), std::string::npos) << lines[2];
    EXPECT_NE(lines[3].find("dir.tmf"), std::string::npos) << lines[3];
}

// A whole new file takes the old one's name: the missing folders are made for the player
// alone, and a failure leaves the old file and no stray new one.
TEST(PosixFileSystem, WriteWholeFileWritesWholeFilesAndAFailureKeepsTheOldOne) {
    TempDir dir;
    posix::PosixFileSystem files;
    const std::string path = dir.String() + "/state/tolmix-client/hero.history";
    ASSERT_EQ(files.WriteWholeFile(path, "first\n"), 0);
    EXPECT_EQ(files.ReadFile(path).Data, "first\n");
    struct stat st {};
    ASSERT_EQ(::stat((dir.String() + "/state").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    ASSERT_EQ(files.WriteWholeFile(path, "second\n"), 0);
    EXPECT_EQ(files.ReadFile(path).Data, "second\n");

    // A folder in the way of the name: the rename fails, and the new file goes again.
    const std::string blocked = dir.String() + "/state/blocked";
    ASSERT_EQ(::mkdir(blocked.c_str(), 0700), 0);
    ASSERT_EQ(files.WriteWholeFile(blocked + "/inside", "x"), 0);
    EXPECT_NE(files.WriteWholeFile(blocked, "third\n"), 0);
    EXPECT_EQ(files.ListFiles(dir.String() + "/state")->size(), 0u);

    const std::string folder = dir.String() + "/state/tolmix-client";
    ASSERT_EQ(::chmod(folder.c_str(), 0500), 0);
    if (::access(folder.c_str(), W_OK) == 0)
        GTEST_SKIP() << "running as a user whom permissions do not stop";
    EXPECT_EQ(files.WriteWholeFile(path, "third\n"), FileErrors::AccessDenied);
    EXPECT_EQ(files.ReadFile(path).Data, "second\n");
    ::chmod(folder.c_str(), 0700);
    EXPECT_EQ(files.ListFiles(folder)->size(), 1u);
}

// A file longer than the reader's limit is refused by its size, without reading it.
TEST(PosixFileSystem, ReadFileUpToRefusesALongerFile) {
    TempDir dir;
    posix::PosixFileSystem files;
    const std::string path = dir.String() + "/big";
    ASSERT_EQ(files.WriteWholeFile(path, std::string(1001, 'x')), 0);
    const FileReadResult refused = files.ReadFileUpTo(path, 1000);
    EXPECT_FALSE(refused.Ok);
    EXPECT_TRUE(refused.TooLarge);
    EXPECT_TRUE(refused.Data.empty());
    const FileReadResult read = files.ReadFileUpTo(path, 1001);
    EXPECT_TRUE(read.Ok);
    EXPECT_EQ(read.Data.size(), 1001u);
}

} // namespace
} // namespace tolmix
