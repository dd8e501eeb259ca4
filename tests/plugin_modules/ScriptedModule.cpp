// A test plugin built as a real shared object; SCRIPTED_VARIANT picks what it is and what it
// lacks. Its journal is exported so that the tests can read what it was asked to do.
#include "support/ScriptedPlugin.h"

#include <stdexcept>

namespace {

enum Variant {
    ProbeFirst = 1,
    ProbeSecond,
    Cyrillic,
    NewerVersion,
    NoFactory,
    NoVersion,
    NoClass,
    LongName,
    ThrowingCreate,
};

constexpr int This = SCRIPTED_VARIANT;

std::vector<std::string> Journal;

std::string Name() {
    switch (This) {
    case Cyrillic:
        return "\xCA\xEE\xF1\xF2\xE8"; // Кости
    case LongName:
        return std::string(10000, 'N');
    default:
        return "Probe";
    }
}

std::string Details() {
    switch (This) {
    case ProbeFirst:
        return "first copy";
    case ProbeSecond:
        return "second copy";
    default:
        return "variant " + std::to_string(This);
    }
}

class ScriptedClass final : public tolmix::TGamePluginClass {
  public:
    tolmix::TGamePlugin* Create(tolmix::TTolmixHost& host) const override {
        if (This == ThrowingCreate)
            throw std::runtime_error("cannot start");
        return new tolmix::test::ScriptedPlugin(host, Name(), Details(), Journal);
    }
};

const ScriptedClass Class;

} // namespace

TOLMIX_PLUGIN_EXPORT std::vector<std::string>* ScriptedPluginJournal() {
    return &Journal;
}

#if SCRIPTED_VARIANT != 6 // NoVersion
TOLMIX_PLUGIN_EXPORT uint32_t TolmixPluginVersion() {
    return This == NewerVersion ? 0x10001 : tolmix::TolmixPluginInterfaceVersion;
}
#endif

#if SCRIPTED_VARIANT != 5 // NoFactory
TOLMIX_PLUGIN_EXPORT const tolmix::TGamePluginClass* TolmixPluginFactory() {
    return This == NoClass ? nullptr : &Class;
}
#endif
