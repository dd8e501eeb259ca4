#include "macros/TriggerFile.h"
#include "macros/AliasFile.h"
#include "text/CodePage.h"

#include <algorithm>
#include <array>

namespace tolmix {

namespace {

constexpr std::array<std::string_view, 7> OptionWords = {"full", "part",   "easy", "pure",
                                                         "gag",  "colour", "once"};
enum OptionWord { owFull, owPart, owEasy, owPure, owGag, owColour, owOnce, owNone };

// An entry's problem as the player reads it: file, line, what is wrong.
std::string ProblemLine(std::string_view fileName, int line, std::string_view what) {
    std::string text = "\x89"; // bright red
    // "Ошибка в триггерах <file>, строка <n>: "
    text += "\xCE\xF8\xE8\xE1\xEA\xE0 \xE2 \xF2\xF0\xE8\xE3\xE3\xE5\xF0\xE0\xF5 ";
    text += fileName;
    text += ", \xF1\xF2\xF0\xEE\xEA\xE0 ";
    text += std::to_string(line);
    text += ": ";
    text += what;
    text += "\x87";
    return text;
}

constexpr std::string_view NoPattern = "\xED\xE5\xF2 \xEE\xE1\xF0\xE0\xE7\xF6\xE0"; // нет образца
constexpr std::string_view NoCommands = "\xED\xE5\xF2 \xEA\xEE\xEC\xE0\xED\xE4"; // нет команд
constexpr std::string_view UnknownWord =
    "\xED\xE5\xE8\xE7\xE2\xE5\xF1\xF2\xED\xEE\xE5 \xF1\xEB\xEE\xE2\xEE "; // неизвестное слово
// "период таймера — целое число секунд от 1 до 86400"
constexpr std::string_view BadPeriod =
    "\xEF\xE5\xF0\xE8\xEE\xE4 \xF2\xE0\xE9\xEC\xE5\xF0\xE0 \x97 \xF6\xE5\xEB\xEE\xE5 "
    "\xF7\xE8\xF1\xEB\xEE \xF1\xE5\xEA\xF3\xED\xE4 \xEE\xF2 1 \xE4\xEE ";
// "больше 14 звёздочек"
constexpr std::string_view TooManyStars =
    "\xE1\xEE\xEB\xFC\xF8\xE5 14 \xE7\xE2\xB8\xE7\xE4\xEE\xF7\xE5\xEA";

bool IsBlankLine(std::string_view line) {
    return line.find_first_not_of(" \t") == std::string_view::npos;
}

std::string Trimmed(std::string_view text) {
    const size_t start = text.find_first_not_of(" \t");
    if (start == std::string_view::npos)
        return {};
    const size_t stop = text.find_last_not_of(" \t");
    return std::string(text.substr(start, stop - start + 1));
}

// Words shown in a message are cut short and lose their colour bytes.
std::string Shown(std::string_view word) {
    std::string shown(word.substr(0, 40));
    for (char& c : shown) {
        if (static_cast<uint8_t>(c) >= 0x80 && static_cast<uint8_t>(c) <= 0x8F)
            c = '?';
    }
    return shown;
}

bool ParsePeriod(std::string_view text, std::chrono::seconds& period) {
    const std::string word = Trimmed(text);
    if (word.empty() || word.size() > 6 ||
        word.find_first_not_of("0123456789") != std::string::npos)
        return false;
    const long seconds = std::stol(word);
    if (seconds < ShortestTimer.count() || seconds > LongestTimer.count())
        return false;
    period = std::chrono::seconds(seconds);
    return true;
}

size_t CommandBytes(const std::vector<TriggerCommand>& commands) {
    size_t bytes = 0;
    for (const TriggerCommand& command : commands)
        bytes += command.Template.size() + 1;
    return bytes;
}

bool IsActionWord(std::string_view piece, std::string_view word) {
    if (piece.size() < word.size() || !IsAbbreviation(piece.substr(0, word.size()), word))
        return false;
    return piece.size() == word.size() || piece[word.size()] == ' ';
}

} // namespace

void TriggerFileContents::Clear() {
    Triggers.clear();
    Timers.clear();
    Conditions.clear();
    Bytes = 0;
    ProblemsHidden = 0;
    ++Generation;
}

std::string HiddenProblemsMessage(size_t hidden) {
    // "... и ещё N ошибок в триггерах"
    return "\x89... \xE8 \xE5\xF9\xB8 " + std::to_string(hidden) +
           " \xEE\xF8\xE8\xE1\xEE\xEA \xE2 \xF2\xF0\xE8\xE3\xE3\xE5\xF0\xE0\xF5\x87";
}

TriggerHeader TriggerHeaderOf(std::string_view line) {
    const std::string word = FirstWord(line);
    auto is = [&](std::string_view header) {
        return word.size() == header.size() && IsAbbreviation(word, header);
    };
    if (is("trigger:"))
        return TriggerHeader::Trigger;
    if (is("timer:"))
        return TriggerHeader::Timer;
    if (is("when:"))
        return TriggerHeader::When;
    return TriggerHeader::None;
}

bool ParseTriggerOptions(std::string_view words, TriggerOptions& options, std::string& badWord) {
    options = {};
    for (std::string word = FirstWord(words); !word.empty(); word = FirstWord(words)) {
        DropFirstWord(words);
        const size_t equals = word.find('=');
        const std::string_view name = std::string_view(word).substr(0, equals);
        int found = owNone;
        for (size_t i = 0; i < OptionWords.size() && found == owNone; ++i) {
            if (IsAbbreviation(name, OptionWords[i]))
                found = static_cast<int>(i);
        }
        if (found == owNone && IsAbbreviation(name, "color"))
            found = owColour;
        if ((found == owColour) != (equals != std::string::npos) || found == owNone) {
            badWord = word;
            return false;
        }
        switch (found) {
        case owFull:
        case owPart:
            options.Part = found == owPart;
            break;
        case owEasy:
        case owPure:
            options.Pure = found == owPure;
            break;
        case owGag:
            options.Gag = true;
            break;
        case owOnce:
            options.Once = true;
            break;
        case owColour: {
            const std::string_view value = std::string_view(word).substr(equals + 1);
            if (value.empty() || value.size() > 2 ||
                value.find_first_not_of("0123456789") != std::string_view::npos ||
                std::stoi(std::string(value)) > 15) {
                badWord = word;
                return false;
            }
            options.Colour = std::stoi(std::string(value));
            break;
        }
        default:
            break;
        }
    }
    return true;
}

std::vector<TriggerCommand> ParseTriggerCommands(std::string_view line) {
    std::vector<TriggerCommand> commands;
    auto add = [&](std::string_view piece) {
        TriggerCommand command;
        if (IsActionWord(piece, "#echo") || IsActionWord(piece, "#play")) {
            command.Kind =
                IsActionWord(piece, "#echo") ? TriggerActionKind::Echo : TriggerActionKind::Play;
            piece.remove_prefix(std::min(piece.size(), size_t{6}));
        }
        command.Template = std::string(piece);
        commands.push_back(std::move(command));
    };
    size_t start = 0;
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '\\') {
            ++i; // the escaped character belongs to the template
        } else if (line[i] == '|') {
            add(line.substr(start, i - start));
            start = i + 1;
        }
    }
    add(line.substr(std::min(start, line.size())));
    return commands;
}

bool ParseTriggerFile(TriggerFileContents& contents, const TTolmixStringList& lines,
                      std::string_view fileName, std::vector<std::string>& problems) {
    auto problem = [&](int index, std::string_view what) {
        if (problems.size() < TriggerProblemsShown)
            problems.push_back(ProblemLine(fileName, index + 1, what));
        else
            ++contents.ProblemsHidden;
    };
    const int count = lines.Count();
    int i = 0;
    while (i < count && TriggerHeaderOf(lines[i]) == TriggerHeader::None)
        ++i;
    while (i < count) {
        const int header = i;
        const TriggerHeader kind = TriggerHeaderOf(lines[header]);
        std::string_view rest = lines[header];
        DropFirstWord(rest);
        int next = header + 1;
        while (next < count && TriggerHeaderOf(lines[next]) == TriggerHeader::None)
            ++next;
        i = next;

        // The body: the header's own text or the first line after it (pattern, condition),
        // then the commands.
        int body = header + 1;
        std::string subject;
        if (kind == TriggerHeader::Trigger || (kind == TriggerHeader::When && IsBlankLine(rest))) {
            if (body >= next || (kind == TriggerHeader::Trigger && lines[body].empty())) {
                problem(header, kind == TriggerHeader::Trigger ? NoPattern : NoCommands);
                continue;
            }
            subject = lines[body++];
        } else {
            subject = std::string(rest);
        }
        std::vector<TriggerCommand> commands;
        for (int line = body; line < next; ++line) {
            if (IsBlankLine(lines[line]))
                continue;
            for (TriggerCommand& command : ParseTriggerCommands(AnsiToConsole(lines[line])))
                commands.push_back(std::move(command));
        }
        const std::string name = std::string(fileName) + ":" + std::to_string(header + 1);

        size_t bytes = CommandBytes(commands);
        if (kind == TriggerHeader::Trigger) {
            TriggerEntry entry;
            std::string badWord;
            if (!ParseTriggerOptions(rest, entry.Options, badWord)) {
                problem(header, std::string(UnknownWord) + "\"" + Shown(badWord) + "\"");
                continue;
            }
            entry.Pattern = AnsiToConsole(subject);
            if (entry.Options.Pure) {
                std::string pattern = entry.Pattern;
                if (!entry.Options.Part)
                    pattern = "^(?:" + pattern + ")$";
                entry.Regex = std::make_shared<const AliasRegex>(pattern);
                if (!entry.Regex->Ok()) {
                    problem(header + 1, entry.Regex->Error());
                    continue;
                }
            } else if (std::count(entry.Pattern.begin(), entry.Pattern.end(), '*') >
                       MaxAliasGroups) {
                problem(header + 1, TooManyStars);
                continue;
            }
            if (commands.empty() && !entry.Options.Gag && entry.Options.Colour < 0) {
                problem(header, NoCommands);
                continue;
            }
            bytes += entry.Pattern.size();
            if (contents.Bytes + bytes > TriggerBytesLimit)
                return false;
            entry.Commands = std::move(commands);
            entry.Name = name;
            contents.Triggers.push_back(std::move(entry));
        } else if (commands.empty()) {
            problem(header, NoCommands);
            continue;
        } else if (kind == TriggerHeader::Timer) {
            TimerEntry entry;
            if (!ParsePeriod(subject, entry.Period)) {
                problem(header, std::string(BadPeriod) + std::to_string(LongestTimer.count()));
                continue;
            }
            if (contents.Bytes + bytes > TriggerBytesLimit)
                return false;
            entry.Commands = std::move(commands);
            entry.Name = name;
            contents.Timers.push_back(std::move(entry));
        } else {
            std::string error;
            const std::optional<StatusCondition> condition = ParseStatusCondition(subject, error);
            if (!condition) {
                problem(IsBlankLine(rest) ? header + 1 : header, error);
                continue;
            }
            if (contents.Bytes + bytes > TriggerBytesLimit)
                return false;
            contents.Conditions.push_back({*condition, std::move(commands), name});
        }
        contents.Bytes += bytes;
    }
    return true;
}

} // namespace tolmix
