#include "platform/posix/PosixTerminal.h"

#include "platform/vt/Charsets.h"
#include "platform/vt/FrameRenderer.h"
#include "platform/vt/TerminalText.h"

#include <atomic>
#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <iconv.h>
#include <langinfo.h>
#include <poll.h>
#include <stdexcept>
#include <sys/ioctl.h>
#include <unistd.h>

namespace tolmix::posix {

namespace {

// Modes for the run: alternate screen, the old title pushed, focus reports, bracketed paste,
// modifyOtherKeys and the kitty protocol so that Ctrl+Enter and the like arrive, application
// keypad, no autowrap (the last cell must not scroll the screen), and SGR mouse reports so that
// the wheel scrolls the output (without them many terminals send the wheel as cursor keys in
// the alternate screen, which would recall commands) and a drag with the left button selects
// output to copy (button-motion tracking: motion is reported only while a button is held).
constexpr std::string_view SetupSequence = "\x1b[?1049h"
                                           "\x1b[22;0t"
                                           "\x1b[?1004h"
                                           "\x1b[?2004h"
                                           "\x1b[>4;2m"
                                           "\x1b[>1u"
                                           "\x1b="
                                           "\x1b[?7l"
                                           "\x1b[?1000h\x1b[?1002h\x1b[?1006h"
                                           "\x1b[0m\x1b[2J";
constexpr std::string_view MouseOn = "\x1b[?1000h\x1b[?1002h\x1b[?1006h";
constexpr std::string_view MouseOff = "\x1b[?1006l\x1b[?1002l\x1b[?1000l";

constexpr std::string_view TeardownSequence = "\x1b[0m"
                                              "\x1b[?1006l\x1b[?1002l\x1b[?1000l"
                                              "\x1b[<u"
                                              "\x1b[>4m"
                                              "\x1b[?2004l"
                                              "\x1b[?1004l"
                                              "\x1b>"
                                              "\x1b[?7h"
                                              "\x1b[?25h"
                                              "\x1b[?1049l"
                                              "\x1b[23;0t";

constexpr std::string_view PaletteResetTail = "\x1b]104\x1b\\";

// What a crash signal handler needs to put the terminal back, prepared beforehand so that the
// handler only calls async-signal-safe functions.
struct CrashRestore {
    std::atomic<bool> Armed{false};
    std::atomic<bool> PaletteChanged{false};
    // The cursor style the terminal reported, as the sequence that sets it again.
    char CursorRestore[16] = {};
    std::atomic<size_t> CursorRestoreLength{0};
    int InputFd = -1;
    int OutputFd = -1;
    termios Saved{};
};
CrashRestore Crash;

constexpr int CrashSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGQUIT};
// Signals whose default is to end the process: the terminal is put back first, then the
// signal ends the process as it would have. Taken only where nobody else handles them.
constexpr int EndingSignals[] = {SIGUSR1, SIGUSR2, SIGALRM, SIGVTALRM, SIGPROF, SIGXCPU,
                                 SIGXFSZ, SIGSYS,  SIGTRAP, SIGPOLL,   SIGPWR,  SIGSTKFLT};

// Async-signal-safe: the modes off and the saved line discipline back, once.
void RestoreArmed() {
    if (Crash.Armed.exchange(false)) {
        if (Crash.PaletteChanged.load()) {
            [[maybe_unused]] ssize_t p =
                ::write(Crash.OutputFd, PaletteResetTail.data(), PaletteResetTail.size());
        }
        if (const size_t length = Crash.CursorRestoreLength.load()) {
            [[maybe_unused]] ssize_t c = ::write(Crash.OutputFd, Crash.CursorRestore, length);
        }
        [[maybe_unused]] ssize_t n =
            ::write(Crash.OutputFd, TeardownSequence.data(), TeardownSequence.size());
        ::tcsetattr(Crash.InputFd, TCSAFLUSH, &Crash.Saved);
    }
}

extern "C" void OnCrashSignal(int signal) {
    RestoreArmed();
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

// exit() or quick_exit() called while the terminal is the client's (a plugin ending the
// process): the terminal is put back before the process goes.
extern "C" void OnProcessExit() {
    RestoreArmed();
}

void InstallExitHooks() {
    static const bool installed = [] {
        std::atexit(OnProcessExit);
        std::at_quick_exit(OnProcessExit);
        return true;
    }();
    (void)installed;
}

// Which of the ending signals this terminal took, to give back exactly those.
std::atomic<uint64_t> EndingSignalsTaken{0};

void InstallCrashHandler(int signal) {
    struct sigaction action {};
    action.sa_handler = OnCrashSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    ::sigaction(signal, &action, nullptr);
}

void InstallCrashHandlers() {
    for (int signal : CrashSignals)
        InstallCrashHandler(signal);
    uint64_t taken = 0;
    for (int signal : EndingSignals) {
        struct sigaction old {};
        if (::sigaction(signal, nullptr, &old) == 0 && old.sa_handler == SIG_DFL &&
            !(old.sa_flags & SA_SIGINFO)) {
            InstallCrashHandler(signal);
            taken |= uint64_t{1} << signal;
        }
    }
    EndingSignalsTaken.store(taken);
}

void RemoveCrashHandlers() {
    for (int signal : CrashSignals)
        ::signal(signal, SIG_DFL);
    const uint64_t taken = EndingSignalsTaken.exchange(0);
    for (int signal : EndingSignals) {
        if (taken & (uint64_t{1} << signal))
            ::signal(signal, SIG_DFL);
    }
}

std::string Iconv(iconv_t cd, std::string_view in) {
    std::string out(16, '\0');
    char* inPtr = const_cast<char*>(in.data());
    size_t inLeft = in.size();
    char* outPtr = out.data();
    size_t outLeft = out.size();
    ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (::iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1) || inLeft != 0)
        return {};
    out.resize(out.size() - outLeft);
    return out;
}

} // namespace

PosixTerminal::PosixTerminal(PosixEventLoop& loop, int inputFd, int outputFd)
    : Loop(loop), InputFd(inputFd), OutputFd(outputFd) {
    if (!::isatty(InputFd) || ::tcgetattr(InputFd, &Saved) != 0)
        throw std::runtime_error("The client needs a terminal: standard input is not one.");
    if (!::isatty(OutputFd))
        throw std::runtime_error("The client needs a terminal: standard output is not one.");
    SetUpCharset();
    if (Saved.c_cc[VERASE] == 0x08)
        Decoder.SetEraseByte(0x08);

    termios& raw = Raw;
    raw = Saved;
    // Raw mode: Ctrl+C, Ctrl+Z and Ctrl+\ arrive as keys, never as signals.
    raw.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR |
                                          ICRNL | IXON | IXOFF);
    raw.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    raw.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    raw.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB);
    raw.c_cflag |= CS8;
    raw.c_cc[VMIN] = 0;
    raw.c_cc[VTIME] = 0;

    Crash.InputFd = InputFd;
    Crash.OutputFd = OutputFd;
    Crash.Saved = Saved;
    Crash.PaletteChanged.store(false);
    Crash.CursorRestoreLength.store(0);
    Crash.Armed.store(true);
    InstallCrashHandlers();
    InstallExitHooks();

    if (::tcsetattr(InputFd, TCSAFLUSH, &raw) != 0) {
        const int error = errno;
        Crash.Armed.store(false);
        RemoveCrashHandlers();
        throw std::runtime_error(std::string("Cannot switch the terminal to raw mode: ") +
                                 std::strerror(error));
    }
    Active = true;
    WriteAll(SetupSequence);
    // The colours the client is about to change, and the cursor's shape, so that they can be
    // put back as they were.
    WriteAll(vt::PaletteQuerySequence());
    WriteAll(vt::CursorStyleQuery);
    QuerySize();
    OriginalSize = CurrentSize;
    Loop.WatchFd(InputFd);
}

void PosixTerminal::EnterModes() {
    ::tcsetattr(InputFd, TCSAFLUSH, &Raw);
    std::string again(SetupSequence);
    if (!Mouse)
        again += MouseOff;
    if (FullScreen)
        again += "\x1b[10;1t";
    for (int colour = 0; colour < 16; ++colour) {
        if (Palette[colour])
            again += vt::PaletteSequence(colour, *Palette[colour]);
    }
    if (!Title.empty())
        again += vt::TitleSequence(Title);
    WriteAll(again);
}

std::string PosixTerminal::PaletteRestoreSequence() const {
    // Each colour the client changed goes back to what the terminal reported for it, or to the
    // terminal's default where it did not answer.
    std::string out;
    for (int colour = 0; colour < 16; ++colour) {
        if (!Palette[colour])
            continue;
        const auto original = Decoder.ReportedPalette(vt::AnsiColourIndex(colour));
        out += original ? vt::PaletteSequence(colour, *original)
                        : vt::PaletteEntryResetSequence(colour);
    }
    return out;
}

void PosixTerminal::LeaveModes() {
    std::string tail;
    if (FullScreen)
        tail += "\x1b[10;0t";
    if (PaletteChanged)
        tail += PaletteRestoreSequence();
    // The cursor's shape as the terminal reported it; where it did not, the client never
    // changed it.
    if (const std::optional<int> style = Decoder.ReportedCursorStyle())
        tail += vt::CursorStyleSequence(*style);
    tail += TeardownSequence;
    WriteAll(tail);
    ::tcsetattr(InputFd, TCSAFLUSH, &Saved);
}

bool PosixTerminal::FollowJobControl() {
    if (!Active)
        return false;
    bool redraw = false;
    if (Loop.TakeStopRequested()) {
        LeaveModes();
        Loop.StopUntilContinued();
        redraw = true;
    }
    // Continued, after our own stop or after one nobody could catch (SIGSTOP): the shell may
    // have changed the modes and drawn over the screen.
    if (Loop.TakeContinued() || redraw) {
        EnterModes();
        QuerySize();
        Shown = Frame{};
        redraw = true;
    }
    return redraw;
}

void PosixTerminal::RestoreFromAnyThread() {
    RestoreArmed();
}

PosixTerminal::~PosixTerminal() {
    Restore();
}

void PosixTerminal::Restore() {
    if (!Active)
        return;
    Active = false;
    Loop.UnwatchFd(InputFd);
    // The size the client asked for is undone where the terminal took it.
    if (SizeRequested && OriginalSize.Columns > 0 && OriginalSize.Rows > 0) {
        QuerySize();
        if (CurrentSize.Columns != OriginalSize.Columns || CurrentSize.Rows != OriginalSize.Rows)
            WriteAll("\x1b[8;" + std::to_string(OriginalSize.Rows) + ";" +
                     std::to_string(OriginalSize.Columns) + "t");
    }
    LeaveModes();
    Crash.Armed.store(false);
    RemoveCrashHandlers();
}

void PosixTerminal::SetUpCharset() {
    std::setlocale(LC_CTYPE, "");
    const char* codeset = ::nl_langinfo(CODESET);
    const std::string name = codeset ? codeset : "";
    if (name.empty() || name == "UTF-8" || name == "utf8" || MB_CUR_MAX > 1)
        return;
    // A single-byte terminal (KOI8-R, CP866, ...): translate each glyph once.
    iconv_t toTerminal = ::iconv_open((name + "//TRANSLIT").c_str(), "UTF-8");
    iconv_t fromTerminal = ::iconv_open("UTF-32LE", name.c_str());
    if (toTerminal != reinterpret_cast<iconv_t>(-1)) {
        GlyphBytes = std::make_unique<std::array<std::string, 256>>();
        for (int b = 0; b < 256; ++b) {
            std::string utf8;
            vt::AppendUtf8(utf8, vt::ConsoleGlyph(static_cast<uint8_t>(b)));
            std::string bytes = Iconv(toTerminal, utf8);
            // A glyph the terminal lacks, or one that would come out as a control byte.
            if (bytes.empty() || static_cast<uint8_t>(bytes[0]) < 0x20 || bytes[0] == 0x7F)
                bytes.assign(1, '?');
            (*GlyphBytes)[b] = bytes;
        }
        ::iconv_close(toTerminal);
    }
    if (fromTerminal != reinterpret_cast<iconv_t>(-1)) {
        std::array<char32_t, 256> table{};
        for (int b = 0; b < 256; ++b) {
            const char byte = static_cast<char>(b);
            const std::string u = Iconv(fromTerminal, std::string_view(&byte, 1));
            table[b] = u.size() == 4
                           ? static_cast<char32_t>(
                                 static_cast<uint8_t>(u[0]) | static_cast<uint8_t>(u[1]) << 8 |
                                 static_cast<uint8_t>(u[2]) << 16 |
                                 static_cast<uint32_t>(static_cast<uint8_t>(u[3])) << 24)
                           : 0xFFFD;
        }
        Decoder.SetSingleByteCharset(table);
        ::iconv_close(fromTerminal);
    }
}

void PosixTerminal::QuerySize() {
    winsize ws{};
    if (::ioctl(OutputFd, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0 && ws.ws_row > 0) {
        CurrentSize.Columns = ws.ws_col;
        CurrentSize.Rows = ws.ws_row;
    }
}

void PosixTerminal::WriteAll(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(OutputFd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            return; // the terminal is gone; nothing more can be shown
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
}

void PosixTerminal::RequestSize(int columns, int rows) {
    SizeRequested = true;
    WriteAll("\x1b[8;" + std::to_string(rows) + ";" + std::to_string(columns) + "t");
}

void PosixTerminal::SetTitle(std::string_view title) {
    Title = std::string(title);
    WriteAll(vt::TitleSequence(title));
}

bool PosixTerminal::SetFullScreen(bool on) {
    // Leaving full screen is asked only of a terminal this client put there, so that a
    // window the user made full screen stays as it is.
    if (on != FullScreen && (on || FullScreen))
        WriteAll(on ? "\x1b[10;1t" : "\x1b[10;0t");
    FullScreen = on;
    return true;
}

void PosixTerminal::SetPalette(int consoleColour, uint32_t rgb) {
    if (consoleColour < 0 || consoleColour > 15)
        return;
    WriteAll(vt::PaletteSequence(consoleColour, rgb));
    Palette[consoleColour] = rgb;
    PaletteChanged = true;
    Crash.PaletteChanged.store(true);
}

void PosixTerminal::ResetPalette() {
    if (!PaletteChanged)
        return;
    WriteAll(PaletteRestoreSequence());
    Palette.fill(std::nullopt);
    PaletteChanged = false;
    Crash.PaletteChanged.store(false);
}

void PosixTerminal::Present(const Frame& frame) {
    // A resize seen here is still reported as input, so that the client lays the screen out
    // again.
    if (Loop.TakeResized()) {
        QuerySize();
        Shown = Frame{};
        ResizePending = true;
    }
    vt::RenderOptions options;
    if (CurrentSize.Columns > 0 && CurrentSize.Rows > 0) {
        options.Columns = CurrentSize.Columns;
        options.Rows = CurrentSize.Rows;
    }
    options.Synchronized = true;
    options.GlyphBytes = GlyphBytes.get();
    // The cursor's shape changes only once the terminal has told the one to put back.
    NoteCursorStyle();
    options.CursorShapes = CursorStyleKnown;
    const std::string bytes = vt::Render(Shown, frame, options);
    if (!bytes.empty())
        WriteAll(bytes);
    Shown = frame;
}

uint64_t PosixTerminal::WindowId() const {
    const char* id = std::getenv("WINDOWID");
    if (id == nullptr)
        return 0;
    char* end = nullptr;
    const unsigned long long value = std::strtoull(id, &end, 0);
    return end != id && *end == '\0' ? value : 0;
}

void PosixTerminal::SetMouseReporting(bool on) {
    if (on != Mouse)
        WriteAll(on ? MouseOn : MouseOff);
    Mouse = on;
}

void PosixTerminal::Flash() {
    WriteAll("\a");
}

void PosixTerminal::WriteRaw(std::string_view bytes) {
    WriteAll(bytes);
}

bool PosixTerminal::ReadAvailable(std::optional<TimePoint>& now) {
    if (InputClosed)
        return false;
    const uint64_t waits = Loop.Waits();
    if (waits == ProbedAtWait && ++PassesSinceProbe < StreamingProbeInterval)
        return false;
    ProbedAtWait = waits;
    PassesSinceProbe = 0;
    char buffer[4096];
    bool any = false;
    // Bounded: a flood of input is taken in slices so that the loop stays responsive.
    for (int round = 0; round < 16; ++round) {
        pollfd probe{InputFd, POLLIN, 0};
        if (::poll(&probe, 1, 0) <= 0)
            return any;
        ssize_t n = 0;
        if (probe.revents & POLLIN) {
            n = ::read(InputFd, buffer, sizeof buffer);
            if (n > 0) {
                if (!now)
                    now = Loop.Now();
                Decoder.Feed(std::string_view(buffer, static_cast<size_t>(n)), *now);
                any = true;
                continue;
            }
            if (n < 0 && (errno == EINTR || errno == EAGAIN))
                return any;
        }
        // Readable yet nothing to read, or a hang-up: the terminal went away. End the run in
        // order.
        InputClosed = true;
        Loop.UnwatchFd(InputFd);
        Loop.RequestQuit();
        return any;
    }
    return any;
}

void PosixTerminal::NoteCursorStyle() {
    if (CursorStyleKnown)
        return;
    const std::optional<int> style = Decoder.ReportedCursorStyle();
    if (!style)
        return;
    CursorStyleKnown = true;
    const std::string restore = vt::CursorStyleSequence(*style);
    if (restore.size() <= sizeof Crash.CursorRestore) {
        std::memcpy(Crash.CursorRestore, restore.data(), restore.size());
        Crash.CursorRestoreLength.store(restore.size());
    }
    // The shape was left alone until now; the frame on the screen asks for its own.
    if (Shown.Width > 0)
        WriteAll(vt::CursorShapeSequence(Shown));
}

bool PosixTerminal::ReadInput(InputRecord& record) {
    if (FollowJobControl() || Loop.TakeResized() || ResizePending) {
        ResizePending = false;
        QuerySize();
        Shown = Frame{};
        record = InputRecord{};
        record.Type = InputRecord::Kind::Resize;
        return true;
    }
    // Records already decoded go first; only then is the terminal read again.
    // The clock is read only when the time counts: a sequence waits for its deadline, or bytes
    // come in. While lines stream in, most passes do neither.
    std::optional<TimePoint> now;
    if (Decoder.Deadline())
        now = Loop.Now();
    if (!Decoder.Next(record, now.value_or(TimePoint{}))) {
        const bool read = ReadAvailable(now);
        // The answer to the cursor style query comes among the keys.
        NoteCursorStyle();
        if (!read || !Decoder.Next(record, *now))
            return false;
    }
    if (record.Type == InputRecord::Kind::Focus)
        Focused = record.Focused;
    return true;
}

std::optional<TimePoint> PosixTerminal::InputDeadline() const {
    return Decoder.Deadline();
}

std::string TerminalTypeFromEnvironment() {
    const char* term = std::getenv("TERM");
    return term ? std::string(term) : std::string();
}

} // namespace tolmix::posix
