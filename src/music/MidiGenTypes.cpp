#include "music/MidiGenTypes.h"

#include <array>

namespace tolmix {

namespace {

constexpr std::array<std::string_view, InstrumentCount> Names = {
#define TOLMIX_MG_NAME(name) #name,
    TOLMIX_MG_INSTRUMENTS(TOLMIX_MG_NAME)
#undef TOLMIX_MG_NAME
};

} // namespace

std::string_view InstrumentName(int value) {
    return value >= 0 && value < InstrumentCount ? Names[static_cast<size_t>(value)]
                                                 : std::string_view();
}

} // namespace tolmix
