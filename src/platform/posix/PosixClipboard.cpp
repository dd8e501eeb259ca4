#include "platform/posix/PosixClipboard.h"

#include "platform/posix/ToolProcess.h"
#include "platform/vt/Charsets.h"
#include "platform/vt/DesktopLineEnds.h"
#include "platform/vt/TerminalText.h"

#include <cstdlib>

namespace tolmix::posix {

namespace {

constexpr auto ToolTimeLimit = std::chrono::milliseconds(1500);
// Well past the editor's 4 MiB, so that the editor, not this bound, cuts a long text and says
// how much it left out.
constexpr size_t MaxPaste = 32 * 1024 * 1024;

bool Set(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

} // namespace

PosixClipboard::PosixClipboard(Terminal& terminal) : Term(terminal) {
    if (Set("WAYLAND_DISPLAY") && ToolExists("wl-copy") && ToolExists("wl-paste")) {
        CopyTool = {"wl-copy"};
        PasteTool = {"wl-paste", "--no-newline"};
    } else if (Set("DISPLAY") && ToolExists("xclip")) {
        CopyTool = {"xclip", "-selection", "clipboard", "-in"};
        PasteTool = {"xclip", "-selection", "clipboard", "-out"};
    } else if (Set("DISPLAY") && ToolExists("xsel")) {
        CopyTool = {"xsel", "--clipboard", "--input"};
        PasteTool = {"xsel", "--clipboard", "--output"};
    }
}

// The desktop breaks lines with LF, the client with CR LF: each side gets its own.
void PosixClipboard::SetText(std::string_view text) {
    Own = std::string(text);
    const std::string desktop = vt::CrLfToDesktop(text);
    Term.WriteRaw(vt::ClipboardSequence(desktop));
    if (!CopyTool.empty())
        RunTool(CopyTool, vt::Cp1251ToUtf8(desktop), ToolTimeLimit, 0);
}

std::optional<std::string> PosixClipboard::GetText() {
    if (!PasteTool.empty()) {
        if (auto text = RunTool(PasteTool, {}, ToolTimeLimit, MaxPaste))
            return vt::DesktopToCrLf(vt::Utf8ToCp1251(*text));
    }
    return Own;
}

} // namespace tolmix::posix
