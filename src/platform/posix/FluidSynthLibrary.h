#pragma once

#include <fluidsynth.h>

#include <string>

namespace tolmix::posix {

// The synthesizer library's functions that the client calls.
#define TOLMIX_FLUIDSYNTH_FUNCTIONS(X)                                                             \
    X(new_fluid_settings)                                                                          \
    X(delete_fluid_settings)                                                                       \
    X(fluid_settings_setnum)                                                                       \
    X(fluid_settings_setint)                                                                       \
    X(fluid_settings_setstr)                                                                       \
    X(fluid_settings_getint)                                                                       \
    X(fluid_settings_dupstr)                                                                       \
    X(fluid_free)                                                                                  \
    X(fluid_set_log_function)                                                                      \
    X(new_fluid_synth)                                                                             \
    X(delete_fluid_synth)                                                                          \
    X(fluid_synth_sfload)                                                                          \
    X(fluid_synth_noteon)                                                                          \
    X(fluid_synth_noteoff)                                                                         \
    X(fluid_synth_key_pressure)                                                                    \
    X(fluid_synth_cc)                                                                              \
    X(fluid_synth_program_change)                                                                  \
    X(fluid_synth_channel_pressure)                                                                \
    X(fluid_synth_pitch_bend)                                                                      \
    X(new_fluid_audio_driver)                                                                      \
    X(delete_fluid_audio_driver)                                                                   \
    X(new_fluid_file_renderer)                                                                     \
    X(delete_fluid_file_renderer)                                                                  \
    X(fluid_file_renderer_process_block)

// The synthesizer library, loaded when music first needs it instead of at start: with its
// audio back ends it brings some fifty libraries into the process, which a client that plays
// no music should neither wait for nor hold in memory.
struct FluidSynthLibrary {
#define TOLMIX_FLUIDSYNTH_MEMBER(name) decltype(&::name) name = nullptr;
    TOLMIX_FLUIDSYNTH_FUNCTIONS(TOLMIX_FLUIDSYNTH_MEMBER)
#undef TOLMIX_FLUIDSYNTH_MEMBER
};

// The library, loaded on the first call (from any thread) and kept until the process ends;
// null when it cannot be loaded, and then `failure`, when given, says why.
const FluidSynthLibrary* LoadFluidSynth(std::string* failure = nullptr);

} // namespace tolmix::posix
