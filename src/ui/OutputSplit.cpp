#include "ui/OutputSplit.h"

#include <algorithm>

namespace tolmix {

namespace {

constexpr int32_t LeastLowerRows = 3;
constexpr int32_t LeastUpperRows = 2;

} // namespace

OutputSplit SplitOutputRows(int32_t outputRows) {
    const int32_t lower = std::max(LeastLowerRows, outputRows / 3);
    const int32_t upper = outputRows - lower - 1;
    if (upper < LeastUpperRows)
        return {std::max(outputRows, 0), 0};
    return {upper, lower};
}

} // namespace tolmix
