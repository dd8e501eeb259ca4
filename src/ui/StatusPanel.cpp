#include "ui/StatusPanel.h"

#include "text/CodePage.h"
#include "text/TimeFormat.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

namespace tolmix {

namespace {

constexpr uint8_t LineChar = 0xC4;
constexpr uint8_t GaugeColours[4] = {0x0C, 0x0E, 0x0E, 0x0A};
constexpr uint8_t HungerColours[7] = {0x0C, 0x0D, 0x0E, 0x0E, 0x0A, 0x0B, 0x0F};

// The panel's labels, Windows-1251.
constexpr std::string_view LevelLabel = "\xD3\xF0\xEE\xE2\xE5\xED\xFC"; // Уровень
constexpr std::string_view ExperienceLabel = "\xEE\xEF\xFB\xF2";        // опыт
constexpr std::string_view HealthLabel = "\xE7\xE4\xEE\xF0";            // здор
constexpr std::string_view MovesLabel = "\xE4\xE2\xE8\xE6";             // движ
constexpr std::string_view ManaLabel = "\xEC\xE0\xED\xE0";              // мана
constexpr std::string_view HungerLabel = "\xC3\xEE\xEB\xEE\xE4";        // Голод
constexpr std::string_view ThirstLabel = "\xE6\xE0\xE6\xE4\xE0";        // жажда
constexpr std::string_view LoadLabel = "\xE3\xF0\xF3\xE7";              // груз
constexpr std::string_view FreeHandsLabel = "\xF1\xE2.\xF0\xF3\xEA";    // св.рук
constexpr std::string_view EditCaption =
    "\xD0\xE5\xE6\xE8\xEC \xF0\xE5\xE4\xE0\xEA\xF2\xE8\xF0\xEE\xE2\xE0\xED\xE8\xFF "
    "\xF2\xE5\xEA\xF1\xF2\xE0:"; // Режим редактирования текста:

struct OptionalGauge {
    std::string_view Label;
    uint8_t Colour;
    StatusIndex Value;
    StatusIndex Maximum;
};
constexpr OptionalGauge OptionalGauges[] = {
    {"\xEE\xE3\xEE\xED\xFC", 0x0C, Fire, FireMax},     // огонь
    {"\xE2\xEE\xE4\xE0", 0x09, Water, WaterMax},       // вода
    {"\xEA\xF0\xEE\xE2\xFC", 0x04, Blood, BloodMax},   // кровь
    {"\xFD\xF4\xE8\xF0", 0x05, Ether, EtherMax},       // эфир
    {"\xD1\xE8\xEB\xE0", 0x0B, Strength, StrengthMax}, // Сила
};

int ClampQuarter(double quarter) {
    if (!(quarter >= 0)) // also NaN
        return 0;
    return quarter >= 3 ? 3 : static_cast<int>(quarter);
}

// Values outside the table keep to its ends: starving is red, beyond full is white.
uint8_t HungerColour(int32_t value) {
    if (value < 0)
        return HungerColours[0];
    if (value > 6)
        return HungerColours[6];
    return HungerColours[value];
}

uint8_t LoadColour(int32_t value, int32_t capacity) {
    if (capacity == 0 || value <= 0)
        return GaugeColours[3];
    const double quarter =
        4.0 * (static_cast<double>(capacity) - static_cast<double>(value)) / capacity;
    return GaugeColours[ClampQuarter(std::trunc(quarter))];
}

void AppendColour(std::string& line, uint8_t colour) {
    line.push_back(static_cast<char>(colour));
}

void AppendNumber(std::string& line, int64_t value) {
    line += std::to_string(value);
}

void AppendLabel(std::string& line, std::string_view ansiLabel) {
    line += AnsiToConsole(ansiLabel);
}

// The grey comma between two fields.
void AppendSeparator(std::string& line) {
    AppendColour(line, 0x07);
    line += ", ";
}

// A field's label and the blank after it, then the colour of its value.
void AppendField(std::string& line, std::string_view ansiLabel, uint8_t valueColour) {
    AppendLabel(line, ansiLabel);
    line += ' ';
    AppendColour(line, valueColour);
}

} // namespace

std::string FormatGauge(std::string_view label, int32_t current, int32_t maximum) {
    int quarter = 0;
    if (maximum != 0 && current > 0)
        quarter = ClampQuarter(std::trunc(4.0 * current / maximum));
    std::string text = AnsiToConsole(label);
    text += ' ';
    AppendColour(text, GaugeColours[quarter]);
    AppendNumber(text, current);
    AppendColour(text, 0x07);
    text += '/';
    AppendColour(text, 0x03);
    AppendNumber(text, maximum);
    return text;
}

StatusPanel::StatusPanel(ScreenSurface& screen, TerminalWindow& window, EventLoop& loop,
                         CharacterStatus& state, GameClock& clock, StatusPanelOptions options)
    : Surface(screen), Window(window), State(state), Clock(clock), Opt(std::move(options)), ClockStart(Opt.SizeX),
      StatusTimer(loop, Milliseconds(250), [this] { OnStatusTimer(); }),
      CountdownTimer(loop, Milliseconds(100), [this] { OnCountdownTimer(); }) {}

void StatusPanel::StatusChanged() {
    DrawStatusPanel();
    KeepTimers();
}

void StatusPanel::NoteActivity() {
    Activity = true;
    KeepTimers();
}

void StatusPanel::OnStatusTimer() {
    FlashStep();
    DrawGameClock(Clock.GameClockNow());
    KeepTimers();
}

void StatusPanel::OnCountdownTimer() {
    CountdownShown = State.Countdown != 0;
    DrawCountdown();
    State.CountDown();
    KeepTimers();
}

void StatusPanel::KeepTimers() {
    const bool status = (Clock.Value() != 0 && Opt.SeparatorLine) || Activity;
    if (status && !StatusTimer.Running())
        StatusTimer.Start();
    else if (!status)
        StatusTimer.Stop();
    const bool countdown = State.Countdown != 0 || CountdownShown;
    if (countdown && !CountdownTimer.Running())
        CountdownTimer.Start();
    else if (!countdown)
        CountdownTimer.Stop();
}

void StatusPanel::DrawStatusPanel() {
    if (Opt.SeparatorLine) {
        Surface.FillRect(MakeCoord(4, Opt.SeparatorRow), 40, 1, LineChar, Opt.SeparatorColor);
        if (EditMode) {
            Surface.WriteText(AnsiToConsole(EditCaption),
                              static_cast<uint16_t>(Opt.NameColor ^ 0xFF),
                              MakeCoord(8, Opt.SeparatorRow));
        } else if (!State.CharName.empty()) {
            Surface.WriteText(std::string_view(State.CharName).substr(0, 40), Opt.NameColor,
                              MakeCoord(4, Opt.SeparatorRow));
        }
    }
    if (!Opt.InfoPanel)
        return;
    Surface.FillRect(MakeCoord(0, Opt.PanelRow), Opt.SizeX, 2, ' ', Opt.InfoPanelColor);
    const auto& s = State.Status;

    std::string line;
    AppendColour(line, 0x0F);
    AppendField(line, LevelLabel, 0x0B);
    AppendNumber(line, s[Level]);
    AppendSeparator(line);
    AppendField(line, ExperienceLabel, 0x0A);
    AppendNumber(line, s[Experience]);
    AppendColour(line, 0x07);
    line += '/';
    AppendColour(line, 0x0B);
    AppendNumber(line, s[ExperienceMax] / 1000);
    line += 'k';
    const std::pair<std::string_view, StatusIndex> gauges[] = {
        {HealthLabel, Health}, {MovesLabel, Moves}, {ManaLabel, Mana}};
    for (const auto& [label, index] : gauges) {
        AppendSeparator(line);
        AppendColour(line, 0x02);
        line += FormatGauge(label, s[index], s[index + 1]);
    }
    Surface.WriteColoredText(line, Opt.InfoPanelColor, MakeCoord(0, Opt.PanelRow));

    line.clear();
    AppendColour(line, 0x07);
    AppendField(line, HungerLabel, HungerColour(s[Hunger]));
    AppendNumber(line, int64_t{s[Hunger]} - 4);
    AppendSeparator(line);
    AppendField(line, ThirstLabel, HungerColour(s[Thirst]));
    AppendNumber(line, int64_t{s[Thirst]} - 4);
    AppendSeparator(line);
    AppendColour(line, 0x07);
    AppendLabel(line, LoadLabel);
    line += ' ';
    for (StatusIndex load : {Load1, Load2, Load3}) {
        AppendColour(line, LoadColour(s[load], s[LoadCapacity]));
        AppendNumber(line, s[load]);
        AppendColour(line, 0x07);
        line += '/';
    }
    AppendColour(line, 0x0B);
    AppendNumber(line, s[LoadCapacity]);
    AppendSeparator(line);
    AppendField(line, FreeHandsLabel, 0x0B);
    AppendNumber(line, s[FreeHands]);
    for (const OptionalGauge& gauge : OptionalGauges) {
        if (s[gauge.Maximum] <= 0)
            continue;
        AppendSeparator(line);
        AppendColour(line, gauge.Colour);
        line += FormatGauge(gauge.Label, s[gauge.Value], s[gauge.Maximum]);
    }
    Surface.WriteColoredText(line, Opt.InfoPanelColor, MakeCoord(0, Opt.PanelRow + 1));
}

void StatusPanel::DrawGameClock(int64_t gameTime) {
    if (!Opt.SeparatorLine || gameTime == 0)
        return;
    const DateNames& names = Opt.Names ? *Opt.Names : LocaleDateNames(false);
    const std::string text = AnsiToConsole(FormatGameTime(Opt.TimeFormat, gameTime, names));
    const int start = Opt.SizeX - static_cast<int>(text.size()) - 1;
    // On a screen narrower than the one asked for, a clock that would run into the countdown's
    // columns is left out instead of flickering against it.
    if (Opt.SizeX < Opt.RequestedSizeX && start < CountdownEnd) {
        HideGameClock();
        return;
    }
    // A shorter text (another month name) leaves no rest of the longer one behind.
    if (ClockStart < start)
        Surface.FillRect(MakeCoord(ClockStart, Opt.SeparatorRow), start - ClockStart, 1, LineChar,
                         Opt.SeparatorColor);
    Surface.WriteText(text, Opt.TimeColor, MakeCoord(start, Opt.SeparatorRow));
    ClockStart = start;
}

void StatusPanel::HideGameClock() {
    if (!Opt.SeparatorLine || ClockStart >= Opt.SizeX)
        return;
    Surface.FillRect(MakeCoord(ClockStart, Opt.SeparatorRow), Opt.SizeX - ClockStart, 1, LineChar,
                     Opt.SeparatorColor);
    ClockStart = Opt.SizeX;
}

void StatusPanel::Relayout(int sizeX, int separatorRow, int panelRow) {
    Opt.SizeX = sizeX;
    Opt.SeparatorRow = separatorRow;
    Opt.PanelRow = panelRow;
    ClockStart = sizeX;
}

void StatusPanel::ShowEditMode(bool on) {
    EditMode = on;
    DrawStatusPanel();
}

void StatusPanel::FlashStep() {
    if (!Activity)
        return;
    if (Window.HasFocus()) {
        Activity = false;
        Flashed = false;
        return;
    }
    // One bell for the first text of a quiet period, not one a second until the player looks.
    if (!Flashed)
        Window.Flash();
    Flashed = true;
}

void StatusPanel::DrawCountdown() {
    if (!Opt.SeparatorLine)
        return;
    std::string text;
    if (State.Countdown != 0) {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%1.1f", State.Countdown);
        text = buffer;
        for (char& c : text) {
            if (c == '.')
                c = Opt.DecimalSeparator;
        }
    }
    // Right-aligned to end at column 54. The clock at the right end wins where the two would
    // meet (a long TimeFormat, a narrow screen): a countdown that does not fit whole before it
    // is not shown, as a cut number would be a wrong one.
    const int length = static_cast<int>(text.size());
    int start = CountdownEnd - length;
    if (start < 0 || CountdownEnd > ClockStart)
        start = CountdownEnd;
    // Line characters where the last one was drawn and this one is not: the five columns at
    // least, as ever, and the columns of a longer number (1000.0 before 999.9).
    const int erased = std::min(CountdownStart, CountdownEnd - 5);
    const int erasedEnd = std::min(start, ClockStart);
    if (erased < erasedEnd)
        Surface.FillRect(MakeCoord(erased, Opt.SeparatorRow), erasedEnd - erased, 1, LineChar,
                         Opt.SeparatorColor);
    if (start < CountdownEnd)
        Surface.WriteText(text, Opt.NameColor, MakeCoord(start, Opt.SeparatorRow));
    CountdownStart = start;
}

void StatusPanel::ShowRowsBelow(int64_t rows) {
    if (!Opt.SeparatorLine)
        return;
    constexpr int First = 44;
    constexpr int Width = 6;
    Surface.FillRect(MakeCoord(First, Opt.SeparatorRow), Width, 1, LineChar, Opt.SeparatorColor);
    if (rows <= 0)
        return;
    // An arrow down (the glyph of 0x19) and the count, at most five digits.
    std::string text(1, '\x19');
    text += std::to_string(std::min<int64_t>(rows, 99999));
    Surface.WriteText(text, Opt.NameColor,
                      MakeCoord(First + Width - static_cast<int>(text.size()), Opt.SeparatorRow));
}

} // namespace tolmix
