#pragma once

namespace tolmix {

// Ends the input loop: the program ends once the pass in progress is over.
class LoopExit {
  public:
    virtual ~LoopExit() = default;
    virtual void EndLoop() = 0;
    virtual bool LoopEnded() const = 0;
};

} // namespace tolmix
