#pragma once

#include "platform/MidiSink.h"

#include <memory>
#include <string>
#include <vector>

namespace tolmix::posix {

struct OpenedMidiSink {
    std::unique_ptr<MidiSink> Sink; // null: no usable output, music stays silent
    std::string Description;        // what was opened, or why nothing was
};

// Where Debian and its neighbours keep General MIDI soundfonts, smallest first.
std::vector<std::string> SoundFontPlaces();

// The configured soundfont when it is readable; without one, the first readable usual place.
std::string FindSoundFont(const std::string& configured);

// The output the settings choose (see MidiSinkSettings).
OpenedMidiSink OpenMidiSink(const MidiSinkSettings& settings);

} // namespace tolmix::posix
