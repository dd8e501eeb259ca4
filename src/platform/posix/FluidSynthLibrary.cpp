#include "platform/posix/FluidSynthLibrary.h"

#include <dlfcn.h>

#include <mutex>

namespace tolmix::posix {

namespace {

// The library's names by its versions' interfaces, the newest first.
constexpr const char* LibraryNames[] = {"libfluidsynth.so.3", "libfluidsynth.so.2"};

struct Loaded {
    FluidSynthLibrary Functions;
    bool Ok = false;
    std::string Failure;
};

Loaded Load() {
    Loaded loaded;
    void* handle = nullptr;
    for (const char* name : LibraryNames) {
        handle = ::dlopen(name, RTLD_NOW | RTLD_LOCAL);
        if (handle)
            break;
        const char* error = ::dlerror();
        loaded.Failure = error ? error : name;
    }
    if (!handle)
        return loaded;
    // Never closed: its threads and audio back ends may outlive any one synthesizer.
    FluidSynthLibrary& f = loaded.Functions;
#define TOLMIX_FLUIDSYNTH_RESOLVE(name)                                                            \
    f.name = reinterpret_cast<decltype(&::name)>(::dlsym(handle, #name));                          \
    if (!f.name) {                                                                                 \
        loaded.Failure = "libfluidsynth: no " #name;                                               \
        return loaded;                                                                             \
    }
    TOLMIX_FLUIDSYNTH_FUNCTIONS(TOLMIX_FLUIDSYNTH_RESOLVE)
#undef TOLMIX_FLUIDSYNTH_RESOLVE
    loaded.Ok = true;
    loaded.Failure.clear();
    return loaded;
}

} // namespace

const FluidSynthLibrary* LoadFluidSynth(std::string* failure) {
    static const Loaded loaded = Load();
    if (!loaded.Ok && failure)
        *failure = loaded.Failure;
    return loaded.Ok ? &loaded.Functions : nullptr;
}

} // namespace tolmix::posix
