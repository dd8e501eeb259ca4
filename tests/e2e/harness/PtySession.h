#pragma once

#include "e2e/harness/TempDir.h"
#include "e2e/harness/TerminalModel.h"

#include <sys/types.h>
#include <termios.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The real program in a pseudo-terminal: keys go in, the screen is read back through libvterm.
//
//   PtySession client({.args = {settings.string()}, .columns = 80, .rows = 25});
//   ASSERT_TRUE(ShowsText(client, "Tolmix", 2s));          // Assertions.h: fails with the dump
//   EXPECT_EQ(client.Cell(0, 23).Attribute(), 0x87);
//   client.Send(keys::F10);
//   EXPECT_TRUE(ExitsWith(client, 0, 2s));
//   EXPECT_TRUE(TtyRestored(client));
//   EXPECT_EQ(client.LastPrivateMode(1049), false);        // left the alternate screen
namespace tolmix::e2e {

using std::chrono::milliseconds;

struct SessionOptions {
    std::string program = TOLMIX_CLIENT_PATH; // an absolute path; no $PATH search
    std::vector<std::string> args;            // without argv[0]
    std::string workingDirectory;             // empty: the home folder
    std::string home;                         // empty: a temporary folder owned by the session
    // Added to the clean environment (TERM, LANG, LC_ALL, HOME, PATH and the sanitizer
    // options of the test itself); a name given here replaces the default.
    std::vector<std::pair<std::string, std::string>> env;
    std::vector<std::string> unsetEnv; // defaults to leave out
    int columns = 80;
    int rows = 25;
    // False: the program's console file (the client's mark of an earlier start from its folder)
    // is made beforehand, so the client connects at start instead of showing its first-run
    // notice. True: a first start.
    bool firstRun = false;
    // False: the terminal model's answers to DECRQSS queries are dropped, as a terminal that
    // does not know the query would give none.
    bool answersSettingQueries = true;

    // A /bin/sh script in place of the client, for tests of the harness and fake programs.
    static SessionOptions Shell(std::string script, int columns = 80, int rows = 25);
};

struct ExitStatus {
    int code = 0;   // the exit code, when no signal ended the program
    int signal = 0; // the signal that ended it, or 0

    static ExitStatus Code(int code) { return {code, 0}; }
    static ExitStatus Signal(int signal) { return {0, signal}; }
    friend bool operator==(const ExitStatus&, const ExitStatus&) = default;
    std::string Describe() const;
};
std::ostream& operator<<(std::ostream& out, const ExitStatus& status);

// The pty's line-discipline flags that a program in raw mode turns off and must turn back on.
struct TtyModes {
    bool canonical = false;        // ICANON
    bool echo = false;             // ECHO
    bool signals = false;          // ISIG
    bool flowControl = false;      // IXON
    bool crToNl = false;           // ICRNL
    bool outputProcessing = false; // OPOST
};

class PtySession {
  public:
    // Starts the program; throws std::runtime_error (with the reason) if it cannot be started.
    explicit PtySession(SessionOptions options);
    // Ends a program still running: SIGTERM, SIGKILL after a short grace, then reaps it.
    ~PtySession();
    PtySession(const PtySession&) = delete;
    PtySession& operator=(const PtySession&) = delete;

    // --- Input ---
    // Writes all of `bytes`, reading output meanwhile so neither side blocks. False if the
    // program went away first.
    bool Send(std::string_view bytes);
    // Sets the pty size; the kernel sends SIGWINCH to the program.
    void Resize(int columns, int rows);

    // --- Waiting (each bounded by its time-out) ---
    // Reads output until `condition` holds. Woken by output or the program's exit, and at least
    // every 10 ms so conditions on other things (files, a loopback server) are seen too.
    // Returns false early once the program has exited and all its output is read.
    bool WaitFor(const std::function<bool()>& condition, milliseconds timeout);
    bool WaitForText(std::string_view utf8, milliseconds timeout);
    // Waits for the program to end and for its last output; the status, or nothing on time-out.
    std::optional<ExitStatus> WaitForExit(milliseconds timeout);
    // Reads output for the whole `duration` (to let the program settle, or stay idle).
    void PumpFor(milliseconds duration);

    // --- Screen (the libvterm model) ---
    const TerminalModel& Screen() const { return model_; }
    ScreenCell Cell(int x, int y) const { return model_.Cell(x, y); }
    std::u32string Row(int y) const { return model_.Row(y); }
    std::string RowUtf8(int y) const { return model_.RowUtf8(y); }
    std::string RowTrimmed(int y) const { return model_.RowTrimmed(y); }
    bool ScreenContains(std::string_view utf8) const { return model_.Find(utf8).has_value(); }
    CursorPosition Cursor() const { return model_.Cursor(); }
    bool CursorVisible() const { return model_.CursorVisible(); }
    const std::string& Title() const { return model_.Title(); }
    int Columns() const { return model_.Columns(); }
    int Rows() const { return model_.Rows(); }
    // Screen, colours and the tail of the raw output: what a failure message needs.
    std::string Dump() const;

    // --- Raw output: every byte the program wrote ---
    const std::string& Output() const { return output_; }
    std::string_view OutputSince(std::size_t mark) const;
    bool OutputContains(std::string_view bytes) const;
    // Last state of DEC private mode `mode` in the output (false after CSI ?mode l).
    std::optional<bool> LastPrivateMode(int mode) const;

    // --- Terminal state and process ---
    // The pty's line discipline, read through the master (also after the program has exited).
    std::optional<TtyModes> ReadTtyModes() const;
    // True when termios is as it was when the program started; otherwise `differences` lists
    // the changed flags ("ICANON off", ...).
    bool TtyRestored(std::string* differences = nullptr) const;
    pid_t Pid() const { return pid_; }
    // CPU time (user + system, all threads) the running program has used so far.
    std::optional<std::chrono::nanoseconds> CpuTime() const;
    bool Running() const { return !status_.has_value(); }
    const std::optional<ExitStatus>& Status() const { return status_; }
    const std::filesystem::path& Home() const { return home_; }
    // The folder where the client keeps the console file of each program location.
    std::filesystem::path ConsoleFolder() const;
    // The console file of the program at this path (the program started: its real path).
    std::filesystem::path ConsoleFile(const std::filesystem::path& program) const;
    const SessionOptions& Options() const { return options_; }

  private:
    // Waits up to `timeout` for output or exit, then takes everything available.
    void Pump(milliseconds timeout);
    void ReadAvailable();
    void CheckExit(bool block);
    void FlushReplies();
    bool Finished() const { return status_.has_value() && outputClosed_; }
    void Start();
    void Stop();

    SessionOptions options_;
    std::unique_ptr<TempDir> ownHome_;
    std::filesystem::path home_;
    TerminalModel model_;
    std::string output_;
    std::string replies_; // terminal answers still to be written to the program
    int master_ = -1;
    int pidfd_ = -1; // readable once the child exits; -1 where pidfd_open is missing
    pid_t pid_ = -1;
    bool outputClosed_ = false;
    std::optional<ExitStatus> status_;
    termios startModes_{};
};

} // namespace tolmix::e2e
