#pragma once

// The contract between Tolmix Client and a game plugin: everything a plugin author needs.
//
// A plugin is a shared object (".so"; on Windows a ".dll") in the "Plugins" folder beside the
// client. It exports, with C linkage, TolmixPluginVersion (returning
// TolmixPluginInterfaceVersion) and TolmixPluginFactory (returning the plugin's class, a
// TGamePluginClass). At start-up the
// client calls the class's Create once with itself as the host; the object lives until the
// client ends and is destroyed with delete. The server then drives it: Open, StartGame,
// ReceiveData and FinishGame; the plugin talks back through TTolmixHost. Everything runs on
// the client's one thread; a plugin doing long work calls ProcessIdle now and then, and game
// codes received there call into the plugins again before that work is done. An exception
// thrown by an operation ends the client's connection to the server, not the client.
// Strings cross as std::string, in Windows-1251, so a plugin must be built with the client's
// compiler and standard library (g++ and libstdc++, C++20). The virtual functions below keep
// their order: add nothing in between.
//
// A minimal plugin:
//
//   #include "uPluginIntf.h"
//   class TMyGame final : public tolmix::TGamePlugin { ... };
//   static const tolmix::TGamePluginClassOf<TMyGame> MyGameClass;
//   TOLMIX_PLUGIN_EXPORT uint32_t TolmixPluginVersion() {
//       return tolmix::TolmixPluginInterfaceVersion;
//   }
//   TOLMIX_PLUGIN_EXPORT const tolmix::TGamePluginClass* TolmixPluginFactory() {
//       return &MyGameClass;
//   }
//
// built with: g++ -std=c++20 -shared -fPIC -o MyGame.so MyGame.cpp
//
// On Windows, with the client's own toolchain (mingw-w64 GCC, the "-posix" threads variant):
//   x86_64-w64-mingw32-g++-posix -std=c++20 -shared -o MyGame.dll MyGame.cpp
// and nothing linked statically: the plugin then uses the libstdc++, libgcc and winpthread
// DLLs beside the client, so that an exception it throws is caught by the client (one C++
// runtime in the process), on 64-bit and 32-bit Windows alike.

#include <cstdint>
#include <string>

namespace tolmix {

// The only interface version the client accepts.
inline constexpr uint32_t TolmixPluginInterfaceVersion = 0x10000;

// The client as a plugin sees it. Texts are Windows-1251.
class TTolmixHost {
  public:
    // The desktop window of the client's terminal; 0 when it is not known.
    virtual uint64_t GetWindowHandle() = 0;
    // The character's name as the server gave it; empty before it did.
    virtual std::string GetCharName() = 0;
    // Runs one pass of the client's input loop: keys, timers and one line from the server.
    virtual void ProcessIdle() = 0;
    // Sends game data to the server (the client encodes it as Base64). Dropped while the
    // client is not connected, like every send below.
    virtual void SendGameData(const std::string& data) = 0;
    // Channel 0 prints the text in the client's output window exactly as if the server had
    // sent it, colour bytes and codes included, connected or not. Channels 1 to 4 send it to
    // the server; what they mean is the server's business. A channel above 4 does nothing.
    virtual void SendGameText(uint8_t channel, const std::string& text) = 0;
    // Tells the server the plugin has ended its game; the game ends when the server says so.
    virtual void SendGameFinish() = 0;

  protected:
    // The host is the client itself: a plugin never deletes it.
    ~TTolmixHost() = default;
};

// A game plugin object. The client only calls it; the plugin defines what each call does.
class TGamePlugin {
  public:
    virtual ~TGamePlugin() = default;
    // The name the server picks the plugin by (compared exactly) and lists it under.
    virtual std::string GetName() = 0;
    // A second text about the plugin for the server's list (a version, a description).
    virtual std::string GetDetails() = 0;
    // The server opens the plugin, whether or not a game is running.
    virtual void Open() = 0;
    // A game of this plugin starts; the flag is the server's (true when it sent no number or
    // the number 0).
    virtual void StartGame(bool flag) = 0;
    // The server ends the running game.
    virtual void FinishGame() = 0;
    // Game data from the server, decoded from Base64.
    virtual void ReceiveData(const std::string& data) = 0;
};

// The plugin's class: makes the plugin object. The client calls Create once, at start-up,
// and owns what it returns; a null result leaves the plugin out.
class TGamePluginClass {
  public:
    virtual TGamePlugin* Create(TTolmixHost& host) const = 0;

  protected:
    ~TGamePluginClass() = default;
};

// The class of a plugin type whose constructor takes the host.
template <typename Plugin> class TGamePluginClassOf final : public TGamePluginClass {
  public:
    TGamePlugin* Create(TTolmixHost& host) const override { return new Plugin(host); }
};

// The two exports, as the client looks them up.
using TolmixPluginVersionProc = uint32_t (*)();
using TolmixPluginFactoryProc = const TGamePluginClass* (*)();

} // namespace tolmix

#ifdef _WIN32
#define TOLMIX_PLUGIN_EXPORT extern "C" __declspec(dllexport)
#else
#define TOLMIX_PLUGIN_EXPORT extern "C" __attribute__((visibility("default")))
#endif
