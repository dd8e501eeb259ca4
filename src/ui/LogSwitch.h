#pragma once

namespace tolmix {

// The output log as the keys see it: the player switches it on and off while playing.
class LogSwitch {
  public:
    virtual ~LogSwitch() = default;
    // On when it was off and the other way round, with one line in the output saying so.
    virtual void ToggleLog() = 0;
};

} // namespace tolmix
