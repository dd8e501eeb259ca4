#include "macros/StatusCondition.h"

#include <array>
#include <limits>

namespace tolmix {

namespace {

struct StatusName {
    std::string_view Name; // Windows-1251, lower case
    StatusIndex Value;
    StatusIndex Maximum;
};

constexpr std::array<StatusName, 25> StatusNames = {{
    {"level", Level, StatusCount},
    {"\xF3\xF0\xEE\xE2\xE5\xED\xFC", Level, StatusCount}, // уровень
    {"exp", Experience, ExperienceMax},
    {"\xEE\xEF\xFB\xF2", Experience, ExperienceMax}, // опыт
    {"health", Health, HealthMax},
    {"\xE7\xE4\xEE\xF0", Health, HealthMax}, // здор
    {"moves", Moves, MovesMax},
    {"\xE4\xE2\xE8\xE6", Moves, MovesMax}, // движ
    {"mana", Mana, ManaMax},
    {"\xEC\xE0\xED\xE0", Mana, ManaMax}, // мана
    {"hunger", Hunger, StatusCount},
    {"\xE3\xEE\xEB\xEE\xE4", Hunger, StatusCount}, // голод
    {"thirst", Thirst, StatusCount},
    {"\xE6\xE0\xE6\xE4\xE0", Thirst, StatusCount}, // жажда
    {"fire", Fire, FireMax},
    {"\xEE\xE3\xEE\xED\xFC", Fire, FireMax}, // огонь
    {"water", Water, WaterMax},
    {"\xE2\xEE\xE4\xE0", Water, WaterMax}, // вода
    {"blood", Blood, BloodMax},
    {"\xEA\xF0\xEE\xE2\xFC", Blood, BloodMax}, // кровь
    {"ether", Ether, EtherMax},
    {"\xFD\xF4\xE8\xF0", Ether, EtherMax}, // эфир
    {"strength", Strength, StrengthMax},
    {"\xF1\xE8\xEB\xE0", Strength, StrengthMax}, // сила
    {"experience", Experience, ExperienceMax},
}};

// Lower case of ASCII and of the Cyrillic letters of Windows-1251.
char Lower(char c) {
    const auto b = static_cast<uint8_t>(c);
    if ((b >= 'A' && b <= 'Z') || (b >= 0xC0 && b <= 0xDF))
        return static_cast<char>(b + 0x20);
    if (b == 0xA8) // Ё
        return static_cast<char>(0xB8);
    return c;
}

bool IsNameChar(char c) {
    const auto b = static_cast<uint8_t>(Lower(c));
    return (b >= 'a' && b <= 'z') || b >= 0xE0 || b == 0xB8;
}

size_t SkipBlanks(std::string_view text, size_t i) {
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    return i;
}

const StatusName* FindName(std::string_view word) {
    for (const StatusName& name : StatusNames) {
        if (name.Name.size() != word.size())
            continue;
        bool same = true;
        for (size_t i = 0; i < word.size() && same; ++i)
            same = Lower(word[i]) == name.Name[i];
        if (same)
            return &name;
    }
    return nullptr;
}

constexpr std::string_view UnknownValue =
    "\xED\xE5\xE8\xE7\xE2\xE5\xF1\xF2\xED\xEE\xE5 \xE7\xED\xE0\xF7\xE5\xED\xE8\xE5 "; // неизвестное
                                                                                      // значение
constexpr std::string_view
    NoComparison = "\xED\xF3\xE6\xED\xEE \xF1\xF0\xE0\xE2\xED\xE5\xED\xE8\xE5 <, <=, > "
                   "\xE8\xEB\xE8 >="; // нужно сравнение <, <=, > или >=
constexpr std::string_view BadNumber =
    "\xED\xF3\xE6\xED\xEE \xF6\xE5\xEB\xEE\xE5 \xF7\xE8\xF1\xEB\xEE"; // нужно целое число
constexpr std::string_view NoMaximum =
    "\xF3 \xFD\xF2\xEE\xE3\xEE \xE7\xED\xE0\xF7\xE5\xED\xE8\xFF \xED\xE5\xF2 "
    "\xEC\xE0\xEA\xF1\xE8\xEC\xF3\xEC\xE0 \xE4\xEB\xFF %"; // у этого значения нет максимума для %
constexpr std::string_view BadPercent =
    "\xEF\xF0\xEE\xF6\xE5\xED\xF2 \xE4\xEE\xEB\xE6\xE5\xED \xE1\xFB\xF2\xFC "
    "\xEE\xF2 0 \xE4\xEE 100"; // процент должен быть от 0 до 100

} // namespace

std::optional<bool> StatusCondition::Holds(const CharacterStatus& status) const {
    if (!status.Received[Value])
        return std::nullopt;
    const int64_t value = status.Status[Value];
    int64_t left = value;
    int64_t right = Number;
    if (Percent) {
        if (Maximum == StatusCount || !status.Received[Maximum] || status.Status[Maximum] <= 0)
            return std::nullopt;
        // value / max against number / 100, in integers: no rounding at the boundary.
        left = value * 100;
        right = Number * int64_t{status.Status[Maximum]};
    }
    switch (Comparison) {
    case StatusComparison::Less:
        return left < right;
    case StatusComparison::LessOrEqual:
        return left <= right;
    case StatusComparison::Greater:
        return left > right;
    case StatusComparison::GreaterOrEqual:
        return left >= right;
    }
    return std::nullopt;
}

std::optional<StatusCondition> ParseStatusCondition(std::string_view text, std::string& error) {
    size_t i = SkipBlanks(text, 0);
    const size_t nameStart = i;
    while (i < text.size() && IsNameChar(text[i]))
        ++i;
    const std::string_view word = text.substr(nameStart, i - nameStart);
    const StatusName* name = FindName(word);
    if (!name) {
        error = std::string(UnknownValue) + "\"" + std::string(word.substr(0, 40)) + "\"";
        return std::nullopt;
    }
    StatusCondition condition;
    condition.Value = name->Value;
    condition.Maximum = name->Maximum;
    i = SkipBlanks(text, i);
    if (i >= text.size() || (text[i] != '<' && text[i] != '>')) {
        error = NoComparison;
        return std::nullopt;
    }
    const bool less = text[i] == '<';
    ++i;
    const bool orEqual = i < text.size() && text[i] == '=';
    if (orEqual)
        ++i;
    condition.Comparison =
        less ? (orEqual ? StatusComparison::LessOrEqual : StatusComparison::Less)
             : (orEqual ? StatusComparison::GreaterOrEqual : StatusComparison::Greater);
    i = SkipBlanks(text, i);
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    const size_t digitsStart = i;
    int64_t number = 0;
    constexpr int64_t Largest = std::numeric_limits<int32_t>::max();
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        number = number * 10 + (text[i] - '0');
        if (number > Largest + 1) {
            error = BadNumber;
            return std::nullopt;
        }
        ++i;
    }
    if (i == digitsStart || (!negative && number > Largest)) {
        error = BadNumber;
        return std::nullopt;
    }
    condition.Number = negative ? -number : number;
    if (i < text.size() && text[i] == '%') {
        condition.Percent = true;
        ++i;
    }
    if (SkipBlanks(text, i) != text.size()) {
        error = BadNumber;
        return std::nullopt;
    }
    if (condition.Percent && condition.Maximum == StatusCount) {
        error = NoMaximum;
        return std::nullopt;
    }
    if (condition.Percent && (condition.Number < 0 || condition.Number > 100)) {
        error = BadPercent;
        return std::nullopt;
    }
    return condition;
}

} // namespace tolmix
