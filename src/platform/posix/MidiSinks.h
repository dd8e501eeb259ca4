#pragma once

#include "platform/BackgroundMidiDevices.h"
#include "platform/MidiSink.h"

#include <memory>
#include <string>
#include <vector>

namespace tolmix::posix {

// Where Debian and its neighbours keep General MIDI soundfonts, smallest first.
std::vector<std::string> SoundFontPlaces();

// The configured soundfont when it is readable; without one, the first readable usual place.
std::string FindSoundFont(const std::string& configured);

// The output the settings choose (see MidiSinkSettings), or why there is none (a null sink).
OpenedMidiOutput OpenMidiSink(const MidiSinkSettings& settings);

} // namespace tolmix::posix
