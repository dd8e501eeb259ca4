#pragma once

#include <cstdint>
#include <string_view>

namespace tolmix {

// The number forms of server-code payloads. Malformed numbers read as 0; nothing is an error.

// An integer written as the settings write them (blanks, sign, decimal or hexadecimal).
int32_t PayloadInteger(std::string_view text);
int64_t PayloadInteger64(std::string_view text);

// a/b: a before the first "/", b after it; without "/", a = 0 and b is the whole payload.
struct PayloadPairValue {
    int32_t A = 0;
    int32_t B = 0;
};
PayloadPairValue PayloadPair(std::string_view text);

// a/b/c/d, filled from the right end: 1/2 gives 1, 0, 0, 2 and 5 gives 0, 0, 0, 5.
struct PayloadQuadrupleValue {
    int32_t A = 0;
    int32_t B = 0;
    int32_t C = 0;
    int32_t D = 0;
};
PayloadQuadrupleValue PayloadQuadruple(std::string_view text);

// A decimal number with an optional exponent, its separator the locale's or a point. Only
// finite values are numbers.
double PayloadDecimal(std::string_view text, char decimalSeparator);

} // namespace tolmix
