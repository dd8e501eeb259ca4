// A test plugin built as a real shared object; SCRIPTED_VARIANT picks what it is and what it
// lacks. Its journal is exported so that the tests can read what it was asked to do.
#include "support/ScriptedPlugin.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <thread>

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
    ThrowingName,
    ThrowingDetails,
    ThrowingEverything,
    Rogue,
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

// A plugin that fails where its variant says: its name, its details, or every operation (with
// something that is no standard exception).
class FailingPlugin final : public tolmix::TGamePlugin {
  public:
    std::string GetName() override {
        if (This == ThrowingDetails)
            return "Probe";
        if (This == ThrowingName)
            throw std::runtime_error("no name today");
        throw 7;
    }
    std::string GetDetails() override {
        if (This == ThrowingDetails)
            throw std::runtime_error("no details today");
        throw 7;
    }
    void Open() override { throw 7; }
    void StartGame(bool) override { throw 7; }
    void FinishGame() override { throw 7; }
    void ReceiveData(const std::string&) override { throw 7; }
};

// A plugin that does what no plugin should, on the game data it is sent: "spin" never
// returns, "sleep" sleeps for a minute, "idle-forever" runs the host's loop for ever,
// "exit:<n>" ends the process with exit(n), "print:<text>" writes the text to standard output.
// Each first sends game data saying so ("spinning", "sleeping", "idling", "exiting",
// "printed").
class RoguePlugin final : public tolmix::TGamePlugin {
  public:
    explicit RoguePlugin(tolmix::TTolmixHost& host) : Host(host) {}
    std::string GetName() override { return "Rogue"; }
    std::string GetDetails() override { return "misbehaves"; }
    void Open() override {}
    void StartGame(bool) override {}
    void FinishGame() override {}
    void ReceiveData(const std::string& data) override {
        // Each says what it is about to do first, so that a test knows the plugin has begun.
        if (data == "spin") {
            Host.SendGameData("spinning");
            volatile unsigned long turns = 0;
            for (;;)
                turns = turns + 1;
        } else if (data == "sleep") {
            Host.SendGameData("sleeping");
            std::this_thread::sleep_for(std::chrono::minutes(1));
        } else if (data == "idle-forever") {
            Host.SendGameData("idling");
            for (;;)
                Host.ProcessIdle();
        } else if (data.rfind("exit:", 0) == 0) {
            Host.SendGameData("exiting");
            std::exit(std::atoi(data.c_str() + 5));
        } else if (data.rfind("print:", 0) == 0) {
            std::printf("%s\n", data.c_str() + 6);
            std::fflush(stdout);
            Host.SendGameData("printed");
        }
    }

  private:
    tolmix::TTolmixHost& Host;
};

class ScriptedClass final : public tolmix::TGamePluginClass {
  public:
    tolmix::TGamePlugin* Create(tolmix::TTolmixHost& host) const override {
        if (This == ThrowingCreate)
            throw std::runtime_error("cannot start");
        if (This == ThrowingName || This == ThrowingDetails || This == ThrowingEverything)
            return new FailingPlugin;
        if (This == Rogue)
            return new RoguePlugin(host);
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
