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

OpenedMidiOutput OpenMidiSink(const MidiSinkSettings& settings) {
    // The descriptions are the player's to read, in Windows-1251 like the client's other texts.
    OpenedMidiOutput result;
    const std::string& output = settings.Output;
    const bool automatic = output.empty() || Is(output, "auto");
    if (Is(output, "none")) {
        result.Description =
            "\xEC\xF3\xE7\xFB\xEA\xE0 \xE2\xFB\xEA\xEB\xFE\xF7\xE5\xED\xE0 " // музыка выключена
            "(MidiOutput=none)";
        return result;
    }
    if (automatic || Is(output, "fluidsynth")) {
        FluidSynthSink::Options options;
        options.SoundFont = FindSoundFont(settings.SoundFont);
        options.AudioDriver = settings.AudioDriver;
        std::string failure;
        if (options.SoundFont.empty()) {
            result.Description = settings.SoundFont.empty()
                                     ? "\xED\xE5\xF2 \xE7\xE2\xF3\xEA\xEE\xE2\xEE\xE3\xEE "
                                       "\xF8\xF0\xE8\xF4\xF2\xE0 " // нет звукового шрифта
                                       "General MIDI"
                                     : "\xE7\xE2\xF3\xEA\xEE\xE2\xEE\xE9 \xF8\xF0\xE8\xF4\xF2 "
                                       "\xED\xE5 " // звуковой шрифт не
                                       "\xF7\xE8\xF2\xE0\xE5\xF2\xF1\xFF: " + // читается:
                                           settings.SoundFont;
        } else if (auto sink = FluidSynthSink::Open(options, &failure)) {
            result.Description =
                "FluidSynth (" + sink->AudioDriverName() + "), " + options.SoundFont;
            result.Sink = std::move(sink);
            return result;
        } else {
            result.Description = failure;
        }
        if (!automatic)
            return result;
    }
    if (automatic || Is(output, "alsa")) {
        AlsaSeqSink::Options options;
        options.Destination = settings.Port;
        options.WithoutDestination = !automatic;
        if (auto sink = AlsaSeqSink::Open(options)) {
            result.Description = "\xF1\xE5\xEA\xE2\xE5\xED\xF1\xEE\xF0 ALSA, " + // секвенсор ALSA
                                 (sink->DestinationName().empty()
                                      ? std::string("\xE4\xEB\xFF " // для подписчиков
                                                    "\xEF\xEE\xE4\xEF\xE8\xF1\xF7\xE8\xEA\xEE\xE2")
                                      : sink->DestinationName());
            result.Sink = std::move(sink);
            return result;
        }
        result.Description += result.Description.empty() ? "" : "; ";
        result.Description +=
            "\xED\xE5\xF2 \xEF\xEE\xEB\xF3\xF7\xE0\xF2\xE5\xEB\xFF \xE2 " // нет получателя в
            "\xF1\xE5\xEA\xE2\xE5\xED\xF1\xEE\xF0\xE5 ALSA"; // секвенсоре ALSA
        if (!settings.Port.empty())
            result.Description += " (MidiPort=" + settings.Port + ")";
        return result;
    }
    result.Description = "\xED\xE5\xE8\xE7\xE2\xE5\xF1\xF2\xED\xFB\xE9 " // неизвестный
                         "MidiOutput=" +
                         output;
    return result;
}

} // namespace tolmix::posix
