#include "platform/posix/StandardErrorCapture.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tolmix::posix {

namespace {

constexpr char DroppedNote[] = "\n[further diagnostics dropped: the file is full]\n";

void MakeFolders(const std::string& path) {
    for (size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1))
        ::mkdir(path.substr(0, slash).c_str(), 0700);
}

int OpenDiagnostics(const std::string& path, std::size_t maxBytes, std::size_t& size) {
    size = 0;
    if (path.empty() || path[0] != '/')
        return -1;
    MakeFolders(path);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOCTTY, 0600);
    if (fd < 0)
        return -1;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && info.st_size > 0) {
        size = static_cast<std::size_t>(info.st_size);
        // An old file keeps the last start's story; a large one makes room for this start's.
        if (size > maxBytes / 2 && ::ftruncate(fd, 0) == 0)
            size = 0;
    }
    return fd;
}

void CloseIf(int& fd) {
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

} // namespace

std::string DiagnosticsFilePath(const std::string& stateHome) {
    if (stateHome.empty())
        return {};
    std::string path = stateHome;
    if (path.back() != '/')
        path += '/';
    return path + "tolmix-client/diagnostics.log";
}

StandardErrorCapture::StandardErrorCapture(const std::string& path, std::size_t maxBytes)
    : MaxBytes(maxBytes) {
    int data[2];
    int stop[2];
    if (::pipe2(data, O_CLOEXEC) != 0)
        return;
    if (::pipe2(stop, O_CLOEXEC) != 0) {
        ::close(data[0]);
        ::close(data[1]);
        return;
    }
    const int saved = ::fcntl(2, F_DUPFD_CLOEXEC, 3);
    // dup2 clears close-on-exec on descriptor 2: child processes write into the pipe too.
    if (saved < 0 || ::dup2(data[1], 2) < 0) {
        if (saved >= 0)
            ::close(saved);
        for (int fd : {data[0], data[1], stop[0], stop[1]})
            ::close(fd);
        return;
    }
    PipeWrite = data[1];
    SavedError = saved;
    ReadEnd = data[0];
    StopRead = stop[0];
    StopWrite = stop[1];
    File = OpenDiagnostics(path, maxBytes, Kept);
    Copier = std::thread([this] { Copy(); });
}

StandardErrorCapture::~StandardErrorCapture() {
    if (!Active())
        return;
    // Standard error and output are the terminal's again before the copier drains the rest.
    if (SavedOutput >= 0) {
        std::fflush(stdout);
        ::dup2(SavedOutput, 1);
        CloseIf(SavedOutput);
    }
    ::dup2(SavedError, 2);
    CloseIf(SavedError);
    CloseIf(PipeWrite);
    CloseIf(StopWrite);
    Copier.join();
    CloseIf(ReadEnd);
    CloseIf(StopRead);
    CloseIf(File);
}

int StandardErrorCapture::CaptureStandardOutput() {
    if (!Active() || PipeWrite < 0)
        return 1;
    if (SavedOutput >= 0)
        return SavedOutput;
    std::fflush(stdout);
    const int saved = ::fcntl(1, F_DUPFD_CLOEXEC, 3);
    if (saved < 0)
        return 1;
    if (::dup2(PipeWrite, 1) < 0) {
        ::close(saved);
        return 1;
    }
    SavedOutput = saved;
    return SavedOutput;
}

void StandardErrorCapture::Copy() {
    char buffer[4096];
    bool stopping = false;
    for (;;) {
        pollfd watched[2] = {{ReadEnd, POLLIN, 0}, {StopRead, POLLIN, 0}};
        // Once asked to stop, only what is already in the pipe is taken.
        const int ready = ::poll(watched, stopping ? 1 : 2, stopping ? 0 : -1);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return;
        if (!stopping && watched[1].revents != 0)
            stopping = true;
        if (watched[0].revents == 0) {
            if (stopping)
                continue;
            return;
        }
        const ssize_t n = ::read(ReadEnd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        Keep(buffer, static_cast<std::size_t>(n));
    }
}

void StandardErrorCapture::Keep(const char* bytes, std::size_t count) {
    if (File < 0 || Dropped)
        return;
    if (Kept + count > MaxBytes) {
        count = Kept < MaxBytes ? MaxBytes - Kept : 0;
        Dropped = true;
    }
    while (count > 0) {
        const ssize_t n = ::write(File, bytes, count);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        bytes += n;
        count -= static_cast<std::size_t>(n);
        Kept += static_cast<std::size_t>(n);
    }
    if (Dropped) {
        [[maybe_unused]] const ssize_t ignored = ::write(File, DroppedNote, sizeof DroppedNote - 1);
    }
}

} // namespace tolmix::posix
