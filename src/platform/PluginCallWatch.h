#pragma once

namespace tolmix {

// Told when the main thread runs code the client does not control (a plugin's operation) and
// when it is back in the client's own loop from inside such code (the host's ProcessIdle), so
// that a watch on another thread can still end the program for the player when a plugin never
// returns. Main thread only; every call is cheap.
class PluginCallWatch {
  public:
    virtual ~PluginCallWatch() = default;
    // A call into plugin code begins or ends; calls nest.
    virtual void Enter() = 0;
    virtual void Leave() = 0;
    // The client's loop runs one pass from inside plugin code, and is done with it.
    virtual void PassBegins() = 0;
    virtual void PassEnds() = 0;
    // The client's loop has ended (the player quit, a quit signal) while plugin code is still
    // running further up the stack: the program ends even if that code never returns.
    virtual void QuitPending() = 0;
};

// Watches nothing.
class NoPluginCallWatch final : public PluginCallWatch {
  public:
    void Enter() override {}
    void Leave() override {}
    void PassBegins() override {}
    void PassEnds() override {}
    void QuitPending() override {}
};

// One call into plugin code, told to the watch for as long as it runs, however it ends.
class PluginCallScope {
  public:
    explicit PluginCallScope(PluginCallWatch& watch) : Watch(watch) { Watch.Enter(); }
    ~PluginCallScope() { Watch.Leave(); }
    PluginCallScope(const PluginCallScope&) = delete;
    PluginCallScope& operator=(const PluginCallScope&) = delete;

  private:
    PluginCallWatch& Watch;
};

// One pass of the client's loop run from inside plugin code, told to the watch.
class PluginLoopPassScope {
  public:
    explicit PluginLoopPassScope(PluginCallWatch& watch) : Watch(watch) { Watch.PassBegins(); }
    ~PluginLoopPassScope() { Watch.PassEnds(); }
    PluginLoopPassScope(const PluginLoopPassScope&) = delete;
    PluginLoopPassScope& operator=(const PluginLoopPassScope&) = delete;

  private:
    PluginCallWatch& Watch;
};

} // namespace tolmix
