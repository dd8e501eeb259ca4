#pragma once

#include <cstdint>
#include <string>

namespace tolmix {

// Where a MIDI stream's messages sound: a synthesizer, a sequencer port, a recording.
class MidiSink {
  public:
    virtual ~MidiSink() = default;
    // One channel message (status 0x80 to 0xEF and its data bytes), sounded now. Called from the
    // stream's timing thread, one call at a time.
    virtual void Send(uint8_t status, uint8_t data1, uint8_t data2) = 0;
};

// How the client chooses its MIDI output (the optional settings keys MidiOutput, SoundFont,
// AudioDriver and MidiPort).
struct MidiSinkSettings {
    // "auto": the synthesizer when a soundfont and an audio output exist, else a sequencer
    // port; "fluidsynth", "alsa" or "none" choose one.
    std::string Output = "auto";
    // The General MIDI soundfont; empty: the first found in the usual places.
    std::string SoundFont;
    // The synthesizer's audio driver ("pulseaudio", "alsa", "jack", "pipewire"...); empty: its
    // own choice.
    std::string AudioDriver;
    // The sequencer destination ("128:0", "TiMidity"); empty: the first synthesizer port, else
    // whoever subscribes to the client's own port.
    std::string Port;
};

} // namespace tolmix
