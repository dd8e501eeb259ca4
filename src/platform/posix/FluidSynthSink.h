#pragma once

#include "platform/Clock.h"
#include "platform/MidiSink.h"

#include <memory>
#include <string>

namespace tolmix::posix {

// An embedded General MIDI synthesizer (FluidSynth) playing through an audio output, or
// rendering into an audio file in step with a clock.
class FluidSynthSink final : public MidiSink {
  public:
    struct Options {
        std::string SoundFont;   // a readable .sf2 or .sf3 file
        std::string AudioDriver; // empty: the synthesizer's choice, then pulseaudio, pipewire, alsa
        // When set, no audio output: the sound goes into this file ("raw": 16-bit stereo
        // samples; "wav"), and each message is rendered at its time on RenderClock.
        std::string RenderFile;
        std::string RenderFileType = "raw";
        const Clock* RenderClock = nullptr;
        double SampleRate = 44100;
        double Gain = 0.5;
    };

    // Null when the soundfont cannot be loaded or no audio output can be opened; `failure`, when
    // given, then says which (Windows-1251, for the player).
    static std::unique_ptr<FluidSynthSink> Open(const Options& options,
                                                std::string* failure = nullptr);
    ~FluidSynthSink() override;
    FluidSynthSink(const FluidSynthSink&) = delete;
    FluidSynthSink& operator=(const FluidSynthSink&) = delete;

    void Send(uint8_t status, uint8_t data1, uint8_t data2) override;

    // File rendering: renders the sound up to `until` on the render clock.
    void RenderUntil(TimePoint until);
    // File rendering: renders up to the clock's present time and closes the file.
    void FinishFile();

    std::string AudioDriverName() const { return Driver; }

  private:
    struct Handles;
    explicit FluidSynthSink(std::unique_ptr<Handles> handles);

    std::unique_ptr<Handles> Synth;
    std::string Driver;
};

// Keeps the synthesizer library quiet: its messages would land on the client's screen.
void SilenceFluidSynthLog();

} // namespace tolmix::posix
