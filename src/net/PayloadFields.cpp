#include "net/PayloadFields.h"

#include "util/TolmixStringList.h"

#include <charconv>
#include <cmath>
#include <string>

namespace tolmix {

int32_t PayloadInteger(std::string_view text) {
    int32_t value = 0;
    return ParseSettingsInteger(text, value) ? value : 0;
}

int64_t PayloadInteger64(std::string_view text) {
    int64_t value = 0;
    return ParseSettingsInteger64(text, value) ? value : 0;
}

PayloadPairValue PayloadPair(std::string_view text) {
    PayloadPairValue pair;
    const size_t slash = text.find('/');
    if (slash == std::string_view::npos) {
        pair.B = PayloadInteger(text);
    } else {
        pair.A = PayloadInteger(text.substr(0, slash));
        pair.B = PayloadInteger(text.substr(slash + 1));
    }
    return pair;
}

PayloadQuadrupleValue PayloadQuadruple(std::string_view text) {
    PayloadQuadrupleValue q;
    for (int32_t* field : {&q.A, &q.B, &q.C}) {
        const size_t slash = text.find('/');
        if (slash == std::string_view::npos)
            continue; // the field stays 0 and nothing is removed
        *field = PayloadInteger(text.substr(0, slash));
        text.remove_prefix(slash + 1);
    }
    q.D = PayloadInteger(text);
    return q;
}

double PayloadDecimal(std::string_view text, char decimalSeparator) {
    // Blanks around the number are allowed, as the integer forms allow leading ones.
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    if (text.empty() || text.size() > 400)
        return 0;
    std::string normal(text);
    for (char& c : normal) {
        if (c == decimalSeparator)
            c = '.';
    }
    const char* begin = normal.data();
    const char* end = begin + normal.size();
    if (*begin == '+') {
        ++begin;
        if (begin == end || *begin == '-')
            return 0;
    }
    double value = 0;
    const auto [stop, error] = std::from_chars(begin, end, value, std::chars_format::general);
    if (error != std::errc() || stop != end || !std::isfinite(value))
        return 0;
    return value;
}

} // namespace tolmix
