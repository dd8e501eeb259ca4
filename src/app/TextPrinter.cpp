#include "app/TextPrinter.h"

#include "net/PayloadFields.h"
#include "text/CodeMarker.h"
#include "text/CodePage.h"
#include "text/ColourBytes.h"
#include "text/ProgramName.h"

#include <utility>

namespace tolmix {

TextPrinter::TextPrinter(WindowTitle& title, OutputBuffer& output, CharacterStatus& state,
                         GameClock& clock, StatusPanel& panel, PrintedLineTargets& targets,
                         bool flashActivity, char decimalSeparator, EchoOptions echo)
    : Title(title), Output(output), State(state), Clock(clock), Panel(panel), Targets(targets),
      FlashActivity(flashActivity), DecimalSeparator(decimalSeparator), Echo(echo) {}

void TextPrinter::PrintLine(const std::string& ansiText) {
    const std::string text = AnsiToConsole(ansiText);
    if (IsServerCode(text)) {
        HandleServerCode(text[2], std::string_view(text).substr(3));
        return;
    }
    PrintText(text);
}

void TextPrinter::PrintTextLine(const std::string& ansiText) {
    PrintText(AnsiToConsole(ansiText));
}

void TextPrinter::PrintReceivedLine(const std::string& ansiText, bool mayBeCode) {
    ReusedString::Loan converted = ConsoleText.Borrow();
    AnsiToConsole(ansiText, *converted);
    const std::string& text = *converted;
    if (mayBeCode && IsServerCode(text)) {
        HandleServerCode(text[2], std::string_view(text).substr(3));
        return;
    }
    PrintServerText(text);
}

void TextPrinter::ConnectionStarted() {
    if (Triggers)
        Triggers->Connected();
}

void TextPrinter::ConnectionEnded() {
    EndOpenPrompt();
    if (Triggers)
        Triggers->Disconnected();
    Targets.ConnectionEnded();
}

void TextPrinter::ShowUnfinishedLine(const std::string& ansiText) {
    Output.ShowUnfinished(AnsiToConsole(ansiText));
    if (FlashActivity)
        Panel.NoteActivity();
}

void TextPrinter::RemoveUnfinishedLine() {
    Output.RemoveUnfinished();
}

void TextPrinter::PrintText(const std::string& text) {
    EndOpenPrompt();
    Output.AppendOutput(text);
    LogText(text);
    if (FlashActivity)
        Panel.NoteActivity();
}

void TextPrinter::PrintServerText(const std::string& text) {
    if (!Triggers)
        return PrintText(text);
    const TriggerVerdict verdict = Triggers->Match(text);
    if (verdict.Gag)
        LogText(text);
    else if (verdict.Colours.empty())
        PrintText(text); // most lines: no copy
    else
        PrintText(ColourLine(text, verdict.Colours, Output.TextAttr()));
    Triggers->Run(verdict);
}

void TextPrinter::PrintAnsweredPrompt(const std::string& ansiPrompt, bool mayBeCode,
                                      std::string_view command) {
    const std::string text = AnsiToConsole(ansiPrompt);
    const std::vector<std::string_view> lines = CommandLines(command);
    if (!Echo.On || lines.empty() || (mayBeCode && IsServerCode(text))) {
        PrintReceivedLine(ansiPrompt, mayBeCode);
        EchoCommand(command);
        return;
    }
    // The triggers see the prompt as it came; the command joins it on the screen and in the
    // log.
    if (!Triggers) {
        PrintWithEcho(text, lines.front());
    } else {
        const TriggerVerdict verdict = Triggers->Match(text);
        if (verdict.Gag) {
            LogText(text);
            PrintWithEcho(std::string(), lines.front());
        } else {
            PrintWithEcho(ColourLine(text, verdict.Colours, Output.TextAttr()), lines.front());
        }
        Triggers->Run(verdict);
    }
    for (size_t i = 1; i < lines.size(); ++i)
        PrintWithEcho(std::string(), lines[i]);
}

void TextPrinter::EchoCommand(std::string_view command) {
    if (!Echo.On)
        return;
    const std::vector<std::string_view> lines = CommandLines(command);
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i == 0)
            EchoFirstLine(lines[i]);
        else
            PrintWithEcho(std::string(), lines[i]);
    }
}

void TextPrinter::EchoFirstLine(std::string_view echo) {
    if (OpenPrompt && Output.RowCount() == OpenPrompt->EndRow &&
        Output.TakeBackLine(OpenPrompt->FirstRow, OpenPrompt->AttrBefore)) {
        const std::string prompt = std::move(OpenPrompt->Text);
        OpenPrompt.reset();
        PrintWithEcho(prompt, echo);
        return;
    }
    PrintWithEcho(std::string(), echo);
}

void TextPrinter::PrintPromptLine(const std::string& ansiText, bool mayBeCode) {
    const std::string text = AnsiToConsole(ansiText);
    if (!Echo.On || (mayBeCode && IsServerCode(text)))
        return PrintReceivedLine(ansiText, mayBeCode);
    TriggerVerdict verdict;
    if (Triggers) {
        verdict = Triggers->Match(text);
        if (verdict.Gag) {
            LogText(text);
            Triggers->Run(verdict);
            return;
        }
    }
    const std::string shown =
        Triggers ? ColourLine(text, verdict.Colours, Output.TextAttr()) : text;
    EndOpenPrompt();
    OpenPromptRows open{shown, Output.TextAttr(), Output.RowCount(), 0};
    Output.AppendOutput(shown);
    if (FlashActivity)
        Panel.NoteActivity();
    open.EndRow = Output.RowCount();
    OpenPrompt = std::move(open);
    if (Triggers)
        Triggers->Run(verdict);
}

void TextPrinter::EndOpenPrompt() {
    if (OpenPrompt)
        LogText(std::exchange(OpenPrompt, std::nullopt)->Text);
}

void TextPrinter::LogText(const std::string& consoleText) {
    // Taking the colours off costs a pass over the line, for nothing while the log is off.
    if (Targets.Logging())
        Targets.AppendLog(WithoutColours(consoleText));
}

void TextPrinter::PrintWithEcho(const std::string& text, std::string_view echo) {
    const uint16_t after = AttrAfter(text, Output.TextAttr());
    PrintText(text + EchoText(echo, Echo.Colour));
    Output.UseAttr(after);
}

void TextPrinter::HandleServerCode(char code, std::string_view payload) {
    auto& s = State.Status;
    const auto setPair = [&](StatusIndex first, std::string_view text) {
        const PayloadPairValue pair = PayloadPair(text);
        s[first] = pair.A;
        s[first + 1] = pair.B;
        State.Received.set(first).set(first + 1);
    };
    switch (code) {
    case 'P':
        if (!Targets.HasMusic())
            return Unsupported(code, payload);
        Targets.StopMusic();
        break;
    case 'a':
        State.Countdown = PayloadDecimal(payload, DecimalSeparator);
        break;
    case 'c':
        if (payload.empty())
            return;
        if (payload[0] == 't')
            OpenServerEditor(payload.substr(1));
        break;
    case 'd':
        s[FreeHands] = PayloadInteger(payload);
        State.Received.set(FreeHands);
        break;
    case 'e': {
        if (payload.empty())
            return;
        const std::string_view pair = payload.substr(1);
        switch (payload[0]) {
        case 'f':
            setPair(Fire, pair);
            break;
        case 'w':
            setPair(Water, pair);
            break;
        case 'b':
            setPair(Blood, pair);
            break;
        case 'e':
            setPair(Ether, pair);
            break;
        case 'F':
            setPair(Strength, pair);
            break;
        default:
            break;
        }
        break;
    }
    case 'g':
        if (!Targets.HasPlugins())
            return Unsupported(code, payload);
        if (payload.empty())
            return;
        Targets.GameCode(payload[0], std::string(payload.substr(1)));
        break;
    case 'h':
        setPair(Health, payload);
        break;
    case 'l':
        s[Level] = PayloadInteger(payload);
        State.Received.set(Level);
        break;
    case 'm':
        setPair(Mana, payload);
        break;
    case 'n':
        SetName(payload);
        break;
    case 'o': {
        const PayloadQuadrupleValue q = PayloadQuadruple(payload);
        s[Load1] = q.A;
        s[Load2] = q.B;
        s[Load3] = q.C;
        s[LoadCapacity] = q.D;
        State.Received.set(Load1).set(Load2).set(Load3).set(LoadCapacity);
        break;
    }
    case 'p':
        if (!Targets.HasMusic())
            return Unsupported(code, payload);
        Targets.PlaySoundCommand(std::string(payload));
        break;
    case 't':
        Clock.SetGameClock(PayloadInteger64(payload));
        if (Clock.Value() == 0)
            Panel.HideGameClock();
        break;
    case 'u':
        setPair(Hunger, payload);
        break;
    case 'v':
        Targets.SendVersion();
        break;
    case 'w':
        setPair(Moves, payload);
        break;
    case 'x':
        setPair(Experience, payload);
        break;
    default:
        return Unsupported(code, payload);
    }
    Panel.StatusChanged();
    if (Triggers)
        Triggers->StatusChanged(State);
}

// Shown in red, but neither logged nor counted as new text; the server's colour stays.
void TextPrinter::Unsupported(char code, std::string_view payload) {
    std::string line = "\x11"
                       "Got unsupported code: ";
    line += code;
    line += payload;
    Output.AppendMessage(line);
    Panel.DrawStatusPanel();
}

void TextPrinter::SetName(std::string_view name) {
    State.CharName = std::string(name);
    // A title bar shows little of a long name; the program's name must stay in it.
    std::string title = ConsoleToAnsi(name.substr(0, 200));
    title += " - ";
    title += ProgramTitle;
    Title.SetTitle(title);
}

// The argument is a header, then the lines, each after a marker byte.
void TextPrinter::OpenServerEditor(std::string_view argument) {
    std::string text;
    const size_t first = argument.find(CodeMarker);
    if (first != std::string_view::npos) {
        for (char c : argument.substr(first + 1)) {
            if (c == CodeMarker)
                text += "\r\n";
            else
                text.push_back(c);
        }
    }
    Targets.BeginEditMode(text);
}

} // namespace tolmix
