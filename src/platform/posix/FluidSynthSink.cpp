#include "platform/posix/FluidSynthSink.h"
#include "platform/posix/FluidSynthLibrary.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace tolmix::posix {

namespace {

void Discard(int, const char*, void*) {}

// A handle exists only once the library was loaded.
const FluidSynthLibrary& Fluid() {
    return *LoadFluidSynth();
}

struct SettingsDeleter {
    void operator()(fluid_settings_t* s) const { Fluid().delete_fluid_settings(s); }
};
struct SynthDeleter {
    void operator()(fluid_synth_t* s) const { Fluid().delete_fluid_synth(s); }
};
struct DriverDeleter {
    void operator()(fluid_audio_driver_t* d) const { Fluid().delete_fluid_audio_driver(d); }
};
struct RendererDeleter {
    void operator()(fluid_file_renderer_t* r) const { Fluid().delete_fluid_file_renderer(r); }
};

} // namespace

void SilenceFluidSynthLog() {
    const FluidSynthLibrary* fluid = LoadFluidSynth();
    if (!fluid)
        return;
    for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG})
        fluid->fluid_set_log_function(level, &Discard, nullptr);
}

// Declared in the order they must be released: the output before the synthesizer before the
// settings.
struct FluidSynthSink::Handles {
    std::unique_ptr<fluid_settings_t, SettingsDeleter> Settings;
    std::unique_ptr<fluid_synth_t, SynthDeleter> Synth;
    std::unique_ptr<fluid_audio_driver_t, DriverDeleter> Driver;
    std::unique_ptr<fluid_file_renderer_t, RendererDeleter> Renderer;
    // File rendering.
    std::mutex RenderLock;
    const Clock* RenderClock = nullptr;
    TimePoint RenderStart{};
    int64_t FramesRendered = 0;
    int PeriodSize = 64;
    double SampleRate = 44100;

    ~Handles() {
        Driver.reset();
        Renderer.reset();
        Synth.reset();
        Settings.reset();
    }
};

std::unique_ptr<FluidSynthSink> FluidSynthSink::Open(const Options& options, std::string* failure) {
    const auto fail = [failure](std::string why) -> std::unique_ptr<FluidSynthSink> {
        if (failure)
            *failure = std::move(why);
        return nullptr;
    };
    std::string missing;
    if (!LoadFluidSynth(&missing))
        return fail("FluidSynth: " + missing);
    const FluidSynthLibrary& f = Fluid();
    SilenceFluidSynthLog();
    auto handles = std::make_unique<Handles>();
    handles->Settings.reset(f.new_fluid_settings());
    if (!handles->Settings)
        return nullptr;
    fluid_settings_t* settings = handles->Settings.get();
    f.fluid_settings_setnum(settings, "synth.sample-rate", options.SampleRate);
    f.fluid_settings_setnum(settings, "synth.gain", options.Gain);
    // The samples of a small soundfont need not be pinned in memory.
    f.fluid_settings_setint(settings, "synth.lock-memory", 0);
    const bool toFile = !options.RenderFile.empty();
    if (toFile) {
        if (!options.RenderClock)
            return nullptr;
        f.fluid_settings_setstr(settings, "audio.file.name", options.RenderFile.c_str());
        f.fluid_settings_setstr(settings, "audio.file.type", options.RenderFileType.c_str());
    }
    handles->Synth.reset(f.new_fluid_synth(settings));
    if (!handles->Synth)
        return nullptr;
    if (options.SoundFont.empty() ||
        f.fluid_synth_sfload(handles->Synth.get(), options.SoundFont.c_str(), 1) == FLUID_FAILED)
        return fail("FluidSynth \xED\xE5 \xE7\xE0\xE3\xF0\xF3\xE7\xE8\xEB " + // не загрузил
                    options.SoundFont);

    std::string driverName;
    if (toFile) {
        handles->Renderer.reset(f.new_fluid_file_renderer(handles->Synth.get()));
        if (!handles->Renderer)
            return nullptr;
        handles->RenderClock = options.RenderClock;
        handles->RenderStart = options.RenderClock->Now();
        handles->SampleRate = options.SampleRate;
        f.fluid_settings_getint(settings, "audio.period-size", &handles->PeriodSize);
        if (handles->PeriodSize <= 0)
            handles->PeriodSize = 64;
        driverName = "file";
    } else {
        std::vector<std::string> candidates;
        if (!options.AudioDriver.empty()) {
            candidates.push_back(options.AudioDriver);
        } else {
            char* preferred = nullptr;
            if (f.fluid_settings_dupstr(settings, "audio.driver", &preferred) == FLUID_OK &&
                preferred) {
                // A sound server that may have to be started is left to an explicit choice.
                if (std::string(preferred) != "jack")
                    candidates.emplace_back(preferred);
                f.fluid_free(preferred);
            }
            // The preferred driver may be one of these; each is tried and named once.
            for (const char* name : {"pulseaudio", "pipewire", "alsa"})
                if (std::find(candidates.begin(), candidates.end(), name) == candidates.end())
                    candidates.emplace_back(name);
        }
        for (const std::string& name : candidates) {
            if (f.fluid_settings_setstr(settings, "audio.driver", name.c_str()) != FLUID_OK)
                continue;
            handles->Driver.reset(f.new_fluid_audio_driver(settings, handles->Synth.get()));
            if (handles->Driver) {
                driverName = name;
                break;
            }
        }
        if (!handles->Driver) {
            std::string tried;
            for (const std::string& name : candidates)
                tried += (tried.empty() ? "" : ", ") + name;
            return fail("\xED\xE5\xF2 \xE7\xE2\xF3\xEA\xEE\xE2\xEE\xE3\xEE "
                        "\xE2\xFB\xF5\xEE\xE4\xE0 " // нет звукового выхода
                        "(" +
                        tried + ")");
        }
    }
    std::unique_ptr<FluidSynthSink> sink(new FluidSynthSink(std::move(handles)));
    sink->Driver = driverName;
    return sink;
}

FluidSynthSink::FluidSynthSink(std::unique_ptr<Handles> handles) : Synth(std::move(handles)) {}

FluidSynthSink::~FluidSynthSink() = default;

void FluidSynthSink::RenderUntil(TimePoint until) {
    std::lock_guard guard(Synth->RenderLock);
    if (!Synth->Renderer)
        return;
    const double seconds = std::chrono::duration<double>(until - Synth->RenderStart).count();
    const int64_t target = static_cast<int64_t>(seconds * Synth->SampleRate);
    const FluidSynthLibrary& f = Fluid();
    while (Synth->FramesRendered + Synth->PeriodSize <= target) {
        if (f.fluid_file_renderer_process_block(Synth->Renderer.get()) != FLUID_OK)
            break;
        Synth->FramesRendered += Synth->PeriodSize;
    }
}

void FluidSynthSink::FinishFile() {
    if (!Synth->RenderClock)
        return;
    RenderUntil(Synth->RenderClock->Now());
    std::lock_guard guard(Synth->RenderLock);
    Synth->Renderer.reset();
}

void FluidSynthSink::Send(uint8_t status, uint8_t data1, uint8_t data2) {
    if (Synth->RenderClock)
        RenderUntil(Synth->RenderClock->Now());
    fluid_synth_t* synth = Synth->Synth.get();
    const FluidSynthLibrary& f = Fluid();
    const int channel = status & 0x0F;
    switch (status & 0xF0) {
    case 0x80:
        f.fluid_synth_noteoff(synth, channel, data1);
        break;
    case 0x90:
        if (data2 == 0)
            f.fluid_synth_noteoff(synth, channel, data1);
        else
            f.fluid_synth_noteon(synth, channel, data1, data2);
        break;
    case 0xA0:
        f.fluid_synth_key_pressure(synth, channel, data1, data2);
        break;
    case 0xB0:
        f.fluid_synth_cc(synth, channel, data1, data2);
        break;
    case 0xC0:
        f.fluid_synth_program_change(synth, channel, data1);
        break;
    case 0xD0:
        f.fluid_synth_channel_pressure(synth, channel, data1);
        break;
    case 0xE0:
        f.fluid_synth_pitch_bend(synth, channel, data1 | data2 << 7);
        break;
    default:
        break;
    }
}

} // namespace tolmix::posix
