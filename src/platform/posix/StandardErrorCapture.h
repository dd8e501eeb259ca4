#pragma once

#include <cstddef>
#include <string>
#include <thread>

namespace tolmix::posix {

// While the client owns the screen, whatever a library writes to the process's standard error
// (a sound library that finds no sound card, say) would land in the middle of the game's text
// and stay there, since only cells the client changed are drawn again. For as long as this
// object lives, descriptor 2 is a pipe; a thread copies what arrives into a diagnostics file up
// to a bound and drops the rest. Standard error is put back when the object goes, so messages
// written after the screen is restored reach the user.
class StandardErrorCapture {
  public:
    // `path`: the diagnostics file (missing folders are made); empty, or a file that cannot be
    // opened: what arrives is dropped. A file already over half the bound is started afresh.
    StandardErrorCapture(const std::string& path, std::size_t maxBytes);
    ~StandardErrorCapture();
    StandardErrorCapture(const StandardErrorCapture&) = delete;
    StandardErrorCapture& operator=(const StandardErrorCapture&) = delete;

    // Whether descriptor 2 is being captured (false when the pipe could not be made).
    bool Active() const { return SavedError >= 0; }
    // Standard output goes into the diagnostics file too, until this object goes (a plugin's
    // printf must not draw on the screen); stdio's buffer is flushed first. Returns a
    // descriptor of what standard output was, for the terminal's own output: 1 when nothing
    // was captured.
    int CaptureStandardOutput();

  private:
    void Copy();
    void Keep(const char* bytes, std::size_t count);

    int SavedError = -1;
    int SavedOutput = -1;
    int PipeWrite = -1; // kept while standard output may still be captured
    int ReadEnd = -1;
    // Closing the write end tells the copier to finish, even while a child process that
    // inherited descriptor 2 keeps the pipe open.
    int StopRead = -1;
    int StopWrite = -1;
    int File = -1;
    std::size_t Kept = 0;
    std::size_t MaxBytes;
    bool Dropped = false;
    std::thread Copier;
};

// The client's diagnostics file in the given state folder.
std::string DiagnosticsFilePath(const std::string& stateHome);

} // namespace tolmix::posix
