#include "platform/posix/PosixFileSystem.h"

#include "platform/FileErrors.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace tolmix::posix {

namespace {

// Settings, macro and alias files are small; anything beyond this is not one of them.
constexpr size_t MaxFileSize = 64 * 1024 * 1024;

} // namespace

int FileErrorFromErrno(int error) {
    switch (error) {
    case 0:
        return 0;
    case ENOENT:
        return FileErrors::FileNotFound;
    case ENOTDIR:
    case ELOOP:
        return FileErrors::PathNotFound;
    case EMFILE:
    case ENFILE:
        return FileErrors::TooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EISDIR:
        return FileErrors::AccessDenied;
    case EROFS:
        return FileErrors::WriteProtected;
    case EBUSY:
    case ETXTBSY:
        return FileErrors::SharingViolation;
    case ENOSPC:
    case EDQUOT:
        return FileErrors::DiskFull;
    case ENAMETOOLONG:
        return FileErrors::NameTooLong;
    case EFBIG:
        return FileErrors::FileTooLarge;
    case EIO:
        return FileErrors::DeviceError;
    default:
        return FileErrors::GeneralFailure;
    }
}

bool PosixFileSystem::FileExists(std::string_view path) const {
    struct stat st {};
    return ::stat(std::string(path).c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

EntryKind PosixFileSystem::Kind(std::string_view path) const {
    struct stat st {};
    if (::stat(std::string(path).c_str(), &st) != 0)
        return EntryKind::Missing;
    if (S_ISREG(st.st_mode))
        return EntryKind::File;
    return S_ISDIR(st.st_mode) ? EntryKind::Folder : EntryKind::Other;
}

FileReadResult PosixFileSystem::ReadFile(std::string_view path) const {
    return ReadFileUpTo(path, MaxFileSize);
}

FileReadResult PosixFileSystem::ReadFileUpTo(std::string_view path, size_t limit) const {
    FileReadResult result;
    const std::string name(path);
    // O_NONBLOCK: opening a named pipe would wait for a writer. A socket cannot be opened at
    // all, so the name is looked at first; fstat below settles a name replaced meanwhile.
    if (const EntryKind kind = Kind(path); kind == EntryKind::Folder || kind == EntryKind::Other) {
        result.NotAFile = true;
        result.Error = std::strerror(EINVAL);
        return result;
    }
    const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        result.Error = std::strerror(errno);
        return result;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        result.NotAFile = true;
        result.Error = std::strerror(EINVAL);
        return result;
    }
    // Told by its size without a read; a file that grows meanwhile is stopped below.
    if (static_cast<uint64_t>(st.st_size) > limit) {
        ::close(fd);
        result.TooLarge = true;
        result.Error = std::strerror(EFBIG);
        return result;
    }
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            result.Error = std::strerror(errno);
            ::close(fd);
            return result;
        }
        if (n == 0)
            break;
        if (result.Data.size() + static_cast<size_t>(n) > limit) {
            result.Error = std::strerror(EFBIG);
            result.TooLarge = true;
            ::close(fd);
            return result;
        }
        result.Data.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    result.Ok = true;
    return result;
}

int PosixFileSystem::AppendToFile(std::string_view path, std::string_view data) {
    // O_APPEND: every write lands at the end, even while another program appends too.
    const int fd = ::open(std::string(path).c_str(),
                          O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY, 0666);
    if (fd < 0)
        return FileErrorFromErrno(errno);
    int error = 0;
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
            break;
        }
        if (n == 0) {
            error = ENOSPC;
            break;
        }
        data.remove_prefix(static_cast<size_t>(n));
    }
    // A network file system may report a failed write only when the file is closed.
    if (::close(fd) != 0 && error == 0 && errno != EINTR)
        error = errno;
    return FileErrorFromErrno(error);
}

namespace {

// Makes the missing folders above the file, for the owner alone.
int MakeParentFolders(const std::string& path) {
    for (size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
        const std::string folder = path.substr(0, slash);
        if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
            return FileErrorFromErrno(errno);
    }
    return 0;
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

} // namespace

int PosixFileSystem::WriteWholeFile(std::string_view path, std::string_view data) {
    const std::string name(path);
    if (const int error = MakeParentFolders(name))
        return error;
    // A name of its own, so that two clients writing at once do not share one.
    const std::string temporary = name + ".new-" + std::to_string(::getpid());
    const int fd =
        ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOCTTY, 0600);
    if (fd < 0)
        return FileErrorFromErrno(errno);
    int error = WriteAll(fd, data);
    // On disk before it takes the name: a crash right after the rename finds it whole.
    if (error == 0 && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0 && errno != EINTR)
        error = errno;
    if (error == 0 && ::rename(temporary.c_str(), name.c_str()) != 0)
        error = errno;
    if (error != 0)
        ::unlink(temporary.c_str());
    return FileErrorFromErrno(error);
}

std::string PosixFileSystem::CurrentDirectory() const {
    char buffer[PATH_MAX];
    if (::getcwd(buffer, sizeof buffer) == nullptr)
        return {};
    return buffer;
}

bool PosixFileSystem::ChangeDirectory(std::string_view path) {
    return ::chdir(std::string(path).c_str()) == 0;
}

std::optional<std::vector<std::string>> PosixFileSystem::ListFiles(std::string_view folder) const {
    const std::string path = folder.empty() ? std::string(".") : std::string(folder);
    struct CloseDir {
        void operator()(DIR* dir) const { ::closedir(dir); }
    };
    std::unique_ptr<DIR, CloseDir> dir(::opendir(path.c_str()));
    if (!dir)
        return std::nullopt;
    const int fd = ::dirfd(dir.get());
    std::vector<std::string> names;
    for (;;) {
        errno = 0; // readdir tells its end from a failure only by errno
        const dirent* entry = ::readdir(dir.get());
        if (entry == nullptr) {
            if (errno != 0)
                return std::nullopt;
            break;
        }
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        bool isFolder = entry->d_type == DT_DIR;
        if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
            // What a link names decides, as for any other use of the path.
            struct stat st {};
            if (::fstatat(fd, entry->d_name, &st, 0) != 0)
                continue; // a dangling link is no file
            isFolder = S_ISDIR(st.st_mode);
        }
        if (!isFolder)
            names.emplace_back(name);
    }
    return names;
}

std::string PosixFileSystem::ProgramPath() const {
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0)
        return {};
    return std::string(buffer, static_cast<size_t>(n));
}

} // namespace tolmix::posix
