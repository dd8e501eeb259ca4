#include "platform/posix/XdgDesktopRegistry.h"

#include "platform/FileErrors.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/ToolProcess.h"
#include "platform/posix/XdgRegistryFiles.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tolmix::posix {

namespace {

constexpr std::string_view PackageName = "tolmix-client";

std::string HomeFolder(const char* home) {
    if (home != nullptr && home[0] == '/')
        return home;
    std::string buffer(16384, '\0');
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->pw_dir != nullptr && found->pw_dir[0] == '/')
        return found->pw_dir;
    return {};
}

std::string Joined(const std::string& base, std::string_view rest) {
    if (base.empty())
        return {};
    std::string out = base;
    if (out.back() != '/')
        out += '/';
    out += rest;
    return out;
}

// The FileErrors code of a system error, and the failing file and the system's reason in
// `failure` when it is given.
int Failed(int error, const std::string& path, std::string* failure) {
    if (failure != nullptr)
        *failure = path + ": " + std::strerror(error);
    return FileErrorFromErrno(error);
}

// Makes every missing folder of the path's parent.
int MakeParents(const std::string& path, std::string* failure) {
    for (size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
        const std::string folder = path.substr(0, slash);
        if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
            return Failed(errno, folder, failure);
    }
    return 0;
}

bool HoldsExactly(const std::string& path, std::string_view data) {
    PosixFileSystem files;
    const FileReadResult old = files.ReadFile(path);
    return old.Ok && old.Data == data;
}

int WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (n == 0)
            return ENOSPC;
        data.remove_prefix(static_cast<size_t>(n));
    }
    return 0;
}

// The desktop's databases are rebuilt in the background: a refresh takes tens of
// milliseconds to seconds, and start-up does not wait for it.
void Refresh(const std::string& tool, const std::string& folder) {
    StartDetachedTool({tool, folder});
}

} // namespace

XdgFolders XdgFoldersFrom(const char* dataHome, const char* configHome, const char* home,
                          const char* stateHome) {
    // Relative paths in these variables are invalid and ignored.
    const auto absolute = [](const char* value) { return value != nullptr && value[0] == '/'; };
    XdgFolders folders;
    const std::string homeFolder = absolute(dataHome) && absolute(configHome) && absolute(stateHome)
                                       ? std::string()
                                       : HomeFolder(home);
    folders.DataHome = absolute(dataHome) ? dataHome : Joined(homeFolder, ".local/share");
    folders.ConfigHome = absolute(configHome) ? configHome : Joined(homeFolder, ".config");
    folders.StateHome = absolute(stateHome) ? stateHome : Joined(homeFolder, ".local/state");
    return folders;
}

XdgFolders XdgFoldersFromEnvironment() {
    return XdgFoldersFrom(std::getenv("XDG_DATA_HOME"), std::getenv("XDG_CONFIG_HOME"),
                          std::getenv("HOME"), std::getenv("XDG_STATE_HOME"));
}

int ReplaceFile(const std::string& path, std::string_view data, bool* changed,
                std::string* failure) {
    if (path.empty() || path[0] != '/') {
        if (failure != nullptr)
            *failure = "'" + path + "': no home folder";
        return FileErrors::PathNotFound;
    }
    if (changed != nullptr) {
        *changed = !HoldsExactly(path, data);
        if (!*changed)
            return 0;
    }
    if (const int error = MakeParents(path, failure))
        return error;
    // A name of its own, so that two clients starting at once do not share one.
    const std::string temporary = path + ".new-" + std::to_string(::getpid());
    const int fd =
        ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOCTTY, 0644);
    if (fd < 0)
        return Failed(errno, temporary, failure);
    int error = WriteAll(fd, data);
    if (::close(fd) != 0 && error == 0 && errno != EINTR)
        error = errno;
    const std::string* failing = &temporary;
    if (error == 0 && ::rename(temporary.c_str(), path.c_str()) != 0) {
        error = errno;
        failing = &path;
    }
    if (error == 0)
        return 0;
    ::unlink(temporary.c_str());
    return Failed(error, *failing, failure);
}

XdgDesktopRegistry::XdgDesktopRegistry(XdgFolders folders, bool refreshDatabases)
    : Folders(std::move(folders)), RefreshDatabases(refreshDatabases) {}

std::string XdgDesktopRegistry::MimePackagePath() const {
    return Joined(Folders.DataHome, "mime/packages/" + std::string(PackageName) + ".xml");
}

std::string XdgDesktopRegistry::DesktopEntryPath() const {
    return Joined(Folders.DataHome, "applications/" + std::string(PackageName) + ".desktop");
}

std::string XdgDesktopRegistry::ConsoleFilePath(std::string_view programPath) const {
    return Joined(Folders.ConfigHome,
                  std::string(PackageName) + "/console/" + ConsoleFileName(programPath));
}

int XdgDesktopRegistry::RegisterFileTypes(std::string_view programPath,
                                          const std::vector<FileTypeEntry>& types) {
    bool mimeChanged = false;
    if (const int error =
            ReplaceFile(MimePackagePath(), MimePackageXml(types), &mimeChanged, &Failure))
        return error;
    bool entryChanged = false;
    if (const std::optional<std::string> entry = DesktopEntry(programPath, types)) {
        if (const int error = ReplaceFile(DesktopEntryPath(), *entry, &entryChanged, &Failure))
            return error;
    }
    if (RefreshDatabases && mimeChanged)
        Refresh("update-mime-database", Joined(Folders.DataHome, "mime"));
    if (RefreshDatabases && entryChanged)
        Refresh("update-desktop-database", Joined(Folders.DataHome, "applications"));
    return 0;
}

bool XdgDesktopRegistry::ConsoleKeyExists(std::string_view programPath) const {
    const std::string path = ConsoleFilePath(programPath);
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

int XdgDesktopRegistry::WriteConsoleValues(std::string_view programPath,
                                           const std::vector<ConsoleValue>& values) {
    return ReplaceFile(ConsoleFilePath(programPath), ConsoleFileText(values), nullptr, &Failure);
}

} // namespace tolmix::posix
