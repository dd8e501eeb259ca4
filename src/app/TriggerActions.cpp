#include "app/TriggerActions.h"

#include "text/CodePage.h"
#include "text/ColourBytes.h"

#include <algorithm>
#include <chrono>
#include <cstdint>

namespace tolmix {

namespace {

// "Мелодия триггера длиннее 64 КиБ: не играется." in red, Windows-1251.
constexpr std::string_view MusicTooLong =
    "\x89\xCC\xE5\xEB\xEE\xE4\xE8\xFF \xF2\xF0\xE8\xE3\xE3\xE5\xF0\xE0 \xE4\xEB\xE8\xED\xED\xE5"
    "\xE5 64 \xCA\xE8\xC1: \xED\xE5 \xE8\xE3\xF0\xE0\xE5\xF2\xF1\xFF.";

// The ANSI colour number of a console colour (the two orders swap blue and red, cyan and
// brown): what a colour byte needs.
uint8_t AnsiColour(uint16_t consoleColour) {
    static constexpr uint8_t Ansi[16] = {0, 4, 2, 6, 1, 5, 3, 7, 8, 12, 10, 14, 9, 13, 11, 15};
    return Ansi[consoleColour & 0x0F];
}

// The colour byte, and the background mark unless the background is black, that put the
// attribute in force.
void AppendAttr(std::string& text, uint16_t attr) {
    text.push_back(static_cast<char>(FirstColourByte + AnsiColour(attr)));
    const uint16_t background = (attr >> 4) & 0x0F;
    if (background != 0) {
        text.push_back(BackgroundMark);
        text.push_back(static_cast<char>(FirstBackgroundLetter + AnsiColour(background)));
    }
}

} // namespace

std::string ColourLine(std::string_view consoleText, const std::vector<TriggerColourSpan>& spans,
                       uint16_t attrBefore) {
    if (spans.empty())
        return std::string(consoleText);
    // Per byte of the plain line: the colour a span gives it, or -1.
    std::vector<int8_t> colour(WithoutColours(consoleText).size(), -1);
    for (const TriggerColourSpan& span : spans) {
        const size_t start = std::min(span.Start, colour.size());
        const size_t end = start + std::min(span.Length, colour.size() - start);
        std::fill(colour.begin() + static_cast<ptrdiff_t>(start),
                  colour.begin() + static_cast<ptrdiff_t>(end),
                  static_cast<int8_t>(span.Colour & 0x0F));
    }
    std::string out;
    out.reserve(consoleText.size() + 16);
    // What the server's colours ask for, and what the text written so far leaves in force.
    uint16_t server = attrBefore;
    uint16_t shown = attrBefore;
    size_t plain = 0;
    for (size_t i = 0; i < consoleText.size(); ++i) {
        const auto c = static_cast<uint8_t>(consoleText[i]);
        if (IsBackgroundMark(consoleText, i)) {
            server = static_cast<uint16_t>((server & 0x0F) | BackgroundMarkAttr(consoleText[++i]));
            continue;
        }
        if (IsColourByte(c)) {
            server = ColourByteAttr(c);
            continue;
        }
        const int8_t own = colour[plain++];
        const uint16_t wanted =
            own < 0 ? server : static_cast<uint16_t>((server & 0xF0) | static_cast<uint16_t>(own));
        if (wanted != shown) {
            AppendAttr(out, wanted);
            shown = wanted;
        }
        out.push_back(consoleText[i]);
    }
    if (shown != server)
        AppendAttr(out, server);
    return out;
}

TriggerActions::TriggerActions(TriggerSet& triggers, TriggerTargets targets)
    : Triggers(triggers), Targets(targets) {}

TriggerActions::~TriggerActions() {
    StopTimers();
}

TriggerVerdict TriggerActions::Match(std::string_view consoleText) {
    // Most players load no triggers: their lines need not be stripped of colours first.
    if (Triggers.Empty())
        return {};
    return Triggers.Match(WithoutColours(consoleText));
}

void TriggerActions::Run(const TriggerVerdict& verdict) {
    for (const std::string& report : verdict.Reports)
        Targets.Printer.PrintLine(report);
    Run(verdict.Actions);
}

void TriggerActions::Run(const std::vector<TriggerAction>& actions) {
    for (const TriggerAction& action : actions) {
        switch (action.Kind) {
        case TriggerActionKind::Send:
            // As if typed: nothing goes out, and no alias reports, while unconnected.
            if (Targets.Link.Connected())
                Targets.Link.SendLine(Targets.Aliases.ExpandCommand(action.Text).SendText, true);
            break;
        case TriggerActionKind::Echo:
            // Never a server code, and never matched by the triggers.
            Targets.Printer.PrintTextLine(ConsoleToAnsi(action.Text));
            break;
        case TriggerActionKind::Play:
            if (action.Text.size() > TriggerMusicLimit)
                Targets.Printer.PrintLine(std::string(MusicTooLong));
            else
                Targets.Sound.PlaySoundCommand(action.Text);
            break;
        }
    }
}

void TriggerActions::StatusChanged(const CharacterStatus& status) {
    Run(Triggers.Evaluate(status));
}

void TriggerActions::Connected() {
    Online = true;
    Reloaded();
}

void TriggerActions::Disconnected() {
    Online = false;
    StopTimers();
}

void TriggerActions::Reloaded() {
    StopTimers();
    if (!Online)
        return;
    Scheduled = Triggers.Generation();
    const std::vector<TimerEntry>& entries = Triggers.Timers();
    Timers.reserve(entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        const auto period = std::chrono::duration_cast<Milliseconds>(
            std::clamp(entries[i].Period, ShortestTimer, LongestTimer));
        auto timer = std::make_unique<Timer>(Targets.Loop, period, [this, i] {
            // The entries may have been read anew since: only the schedule made for them runs.
            if (!Online || Triggers.Generation() != Scheduled || i >= Triggers.Timers().size() ||
                !Targets.Link.Connected())
                return;
            Run(CommandActions(Triggers.Timers()[i].Commands));
        });
        timer->Start();
        Timers.push_back(std::move(timer));
    }
}

size_t TriggerActions::RunningTimers() const {
    return static_cast<size_t>(std::count_if(Timers.begin(), Timers.end(),
                                             [](const auto& timer) { return timer->Running(); }));
}

void TriggerActions::StopTimers() {
    Timers.clear();
}

} // namespace tolmix
