#include "platform/vt/Composition.h"

#include <array>

namespace tolmix::vt {

namespace {

constexpr char32_t Acute = 0x0301;
constexpr char32_t Breve = 0x0306;
constexpr char32_t Diaeresis = 0x0308;

struct Pair {
    char32_t Base;
    char32_t Mark;
    char32_t Composed;
};

// Every precomposed letter of Windows-1251, KOI8-R and code page 866 with its canonical
// decomposition (the others have none).
// clang-format off
constexpr std::array<Pair, 12> Pairs = {{
    {0x0418, Breve, 0x0419},     {0x0438, Breve, 0x0439},     // Й й
    {0x0415, Diaeresis, 0x0401}, {0x0435, Diaeresis, 0x0451}, // Ё ё
    {0x0423, Breve, 0x040E},     {0x0443, Breve, 0x045E},     // Ў ў
    {0x0406, Diaeresis, 0x0407}, {0x0456, Diaeresis, 0x0457}, // Ї ї
    {0x0413, Acute, 0x0403},     {0x0433, Acute, 0x0453},     // Ѓ ѓ
    {0x041A, Acute, 0x040C},     {0x043A, Acute, 0x045C},     // Ќ ќ
}};
// clang-format on

} // namespace

bool IsCombiningMark(char32_t c) {
    return c >= 0x0300 && c <= 0x036F;
}

std::optional<char32_t> Compose(char32_t base, char32_t mark) {
    for (const Pair& pair : Pairs) {
        if (pair.Base == base && pair.Mark == mark)
            return pair.Composed;
    }
    return std::nullopt;
}

} // namespace tolmix::vt
