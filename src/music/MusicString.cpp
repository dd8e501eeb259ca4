#include "music/MusicString.h"

#include "util/TolmixStringList.h"

#include <algorithm>
#include <limits>
#include <string>

namespace tolmix {

namespace {

constexpr int64_t MaxTick = std::numeric_limits<int32_t>::max();

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Any text that is no integer reads as -1.
int64_t ReadInteger(std::string_view text) {
    int32_t value;
    return ParseSettingsInteger(text, value) ? value : -1;
}

std::string_view TrimControls(std::string_view text) {
    size_t first = 0;
    while (first < text.size() && static_cast<unsigned char>(text[first]) <= ' ')
        ++first;
    size_t last = text.size();
    while (last > first && static_cast<unsigned char>(text[last - 1]) <= ' ')
        --last;
    return text.substr(first, last - first);
}

// What one note field names.
struct NoteField {
    enum { Nothing, Program, Note } Kind = Nothing;
    int32_t Value = 0;
};

NoteField ReadNoteField(std::string_view field, MusicParseState& state) {
    NoteField result;
    if (field.size() >= 2 && field[0] == 'I') {
        const int64_t c = ReadInteger(field.substr(1));
        if (c >= 0) {
            if (c <= 174)
                result = {NoteField::Program, static_cast<int32_t>(c)};
            return result;
        }
    } else if (field.size() >= 2 && field[0] == 'N') {
        const int64_t n = ReadInteger(field.substr(1));
        if (n >= 0 && n <= 127)
            return {NoteField::Note, static_cast<int32_t>(n)};
    }
    std::string text(field);
    if (text.size() < 2 || !IsDigit(text.back()))
        text += std::to_string(state.O);
    const size_t nameLength = text.size() >= 2 && IsDigit(text[1]) ? 1 : 2;
    const int semitone = NoteSemitone(std::string_view(text).substr(0, nameLength));
    const int64_t octave =
        text.size() > nameLength ? ReadInteger(std::string_view(text).substr(nameLength)) : -1;
    if (octave < 0 || octave > 10 || semitone < 0)
        return result;
    state.O = static_cast<int32_t>(octave);
    const int32_t note = static_cast<int32_t>(12 * octave + semitone);
    if (note <= 127)
        result = {NoteField::Note, note};
    return result;
}

// One element of the string, already trimmed and not empty.
void ParseElement(std::string_view raw, ScoreList& list, MusicParseState& state,
                  const MusicDefaults& defaults) {
    // Into the form start;note;length.
    std::string element;
    if (!IsDigit(raw[0]) && raw[0] != ';')
        element = ";";
    element += raw;
    if (element[0] == ';')
        element.insert(0, std::to_string(state.S));
    if (std::count(element.begin(), element.end(), ';') <= 1)
        element += ';';
    if (element.back() == ';') {
        if (!state.HaveD) {
            state.D = defaults.Duration;
            state.HaveD = true;
        }
        element += std::to_string(state.D);
    }

    std::string_view rest(element);
    const size_t startEnd = rest.find(';');
    const int64_t start = ReadInteger(rest.substr(0, startEnd));
    if (start >= 0)
        state.S = start;
    if (start != 0)
        state.Simple = false;
    rest.remove_prefix(startEnd + 1);

    std::string_view noteText;
    if (const size_t noteEnd = rest.find(';'); noteEnd != std::string_view::npos) {
        noteText = rest.substr(0, noteEnd);
        rest.remove_prefix(noteEnd + 1);
    }
    const NoteField note = ReadNoteField(noteText, state);

    const int64_t length = ReadInteger(rest);
    if (length > 0) {
        if (state.HaveD && state.D != length)
            state.Simple = false;
        state.D = length;
        state.HaveD = true;
    } else if (length == 0 && !state.HaveD) {
        state.D = defaults.Duration;
        state.HaveD = true;
    }

    if (length < 0 || start < 0 || note.Kind == NoteField::Nothing)
        return;
    // A piece cannot reach past the 32-bit tick count; what would plays nothing.
    const int64_t time = state.T + state.S;
    if (time > MaxTick || (note.Kind == NoteField::Note && time + state.D > MaxTick))
        return;
    state.T = time;
    const int32_t t = static_cast<int32_t>(time);

    if (note.Kind == NoteField::Program) {
        if (defaults.Channel == 9) {
            state.NC = 9;
            return;
        }
        if (note.Value <= 127) {
            state.NC = defaults.Channel;
        } else {
            state.NC = 9;
            state.PS = note.Value;
        }
        list.push_back({t, ScoreKind::ProgramChange, note.Value, state.NC});
        return;
    }
    const int32_t value = state.NC == 9 && defaults.Channel != 9 ? state.PS : note.Value;
    list.push_back({t, ScoreKind::NoteOn, value, state.NC});
    list.push_back({static_cast<int32_t>(time + state.D), ScoreKind::NoteOff, value, state.NC});
}

} // namespace

int NoteSemitone(std::string_view name) {
    // Each table entry is two digits and a name of one or two characters.
    for (size_t i = 0; i + 2 < NoteNames.size();) {
        size_t end = i + 3;
        while (end < NoteNames.size() && !IsDigit(NoteNames[end]))
            ++end;
        if (NoteNames.substr(i + 2, end - i - 2) == name && !name.empty())
            return (NoteNames[i] - '0') * 10 + (NoteNames[i + 1] - '0');
        i = end;
    }
    return -1;
}

bool ParseMusicString(std::string_view text, ScoreList& list, const MusicDefaults& defaults) {
    std::string cleaned;
    cleaned.reserve(text.size());
    for (char c : TrimControls(text)) {
        if (c == ' ')
            continue;
        cleaned += c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    }
    if (cleaned.empty())
        return false;

    MusicParseState state;
    state.O = defaults.Octave;
    state.NC = defaults.Instrument >= 128 || defaults.Channel == 9 ? 9 : defaults.Channel;
    state.PS = defaults.Instrument;

    const size_t firstNew = list.size();
    std::string_view rest(cleaned);
    while (!rest.empty()) {
        const size_t comma = rest.find(',');
        const std::string_view element = rest.substr(0, comma);
        rest.remove_prefix(comma == std::string_view::npos ? rest.size() : comma + 1);
        if (element.empty())
            continue;
        const std::string_view trimmed = TrimControls(element);
        if (trimmed.empty())
            break; // an element of control characters only ends the piece
        ParseElement(trimmed, list, state, defaults);
    }

    std::stable_sort(list.begin() + static_cast<std::ptrdiff_t>(firstNew), list.end(),
                     [](const TScoreEntry& a, const TScoreEntry& b) {
                         if (a.Time != b.Time)
                             return a.Time < b.Time;
                         return a.Kind == ScoreKind::ProgramChange &&
                                b.Kind != ScoreKind::ProgramChange;
                     });
    return state.Simple;
}

} // namespace tolmix
