#include "platform/posix/MidiSinks.h"

#include "platform/posix/AlsaSeqSink.h"
#include "platform/posix/FluidSynthSink.h"

#include <strings.h>
#include <unistd.h>

namespace tolmix::posix {

namespace {

bool Readable(const std::string& path) {
    return !path.empty() && access(path.c_str(), R_OK) == 0;
}

bool Is(const std::string& value, const char* name) {
    return strcasecmp(value.c_str(), name) == 0;
}

} // namespace

std::vector<std::string> SoundFontPlaces() {
    return {
        "/usr/share/sounds/sf2/TimGM6mb.sf2",   "/usr/share/sounds/sf2/default-GM.sf2",
        "/usr/share/sounds/sf3/default-GM.sf3", "/usr/share/sounds/sf3/MuseScore_General.sf3",
        "/usr/share/sounds/sf2/FluidR3_GM.sf2", "/usr/share/soundfonts/default.sf2",
        "/usr/share/soundfonts/FluidR3_GM.sf2", "/usr/local/share/soundfonts/default.sf2",
    };
}

std::string FindSoundFont(const std::string& configured) {
    if (!configured.empty())
        return Readable(configured) ? configured : std::string();
    for (const std::string& place : SoundFontPlaces())
        if (Readable(place))
            return place;
    return {};
}

OpenedMidiSink OpenMidiSink(const MidiSinkSettings& settings) {
    OpenedMidiSink result;
    const std::string& output = settings.Output;
    const bool automatic = output.empty() || Is(output, "auto");
    if (Is(output, "none")) {
        result.Description = "music is off";
        return result;
    }
    if (automatic || Is(output, "fluidsynth")) {
        FluidSynthSink::Options options;
        options.SoundFont = FindSoundFont(settings.SoundFont);
        options.AudioDriver = settings.AudioDriver;
        if (options.SoundFont.empty()) {
            result.Description = "no General MIDI soundfont";
        } else if (auto sink = FluidSynthSink::Open(options)) {
            result.Description =
                "FluidSynth (" + sink->AudioDriverName() + ") with " + options.SoundFont;
            result.Sink = std::move(sink);
            return result;
        } else {
            result.Description = "FluidSynth cannot play " + options.SoundFont;
        }
        if (!automatic)
            return result;
    }
    if (automatic || Is(output, "alsa")) {
        AlsaSeqSink::Options options;
        options.Destination = settings.Port;
        options.WithoutDestination = !automatic;
        if (auto sink = AlsaSeqSink::Open(options)) {
            result.Description = "ALSA sequencer" + (sink->DestinationName().empty()
                                                         ? std::string(" (for subscribers)")
                                                         : " to " + sink->DestinationName());
            result.Sink = std::move(sink);
            return result;
        }
        result.Description += result.Description.empty() ? "" : "; ";
        result.Description += "no ALSA sequencer destination";
        return result;
    }
    result.Description = "unknown MIDI output \"" + output + "\"";
    return result;
}

} // namespace tolmix::posix
