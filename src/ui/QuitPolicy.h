#pragma once

#include "net/NetworkWait.h"
#include "net/ServerConnection.h"
#include "platform/InputRecord.h"
#include "platform/KeyEvent.h"
#include "platform/VirtualKeys.h"
#include "ui/LoopExit.h"

#include <cstdint>

namespace tolmix {

// What F10 and Escape do, wherever a key meets them: in the client's key tables, as a key
// the client left alone, during a network wait and in the type-ahead a failed send throws away.
//
// - F10 closes the connection and ends the program. A wait it arrives in is called off and the
//   F10 kept, so that the loop then handles it as always; the type-ahead keeps it.
// - Escape empties the editor (a key table's business); Ctrl and Alt with it are taken and do
//   nothing. Shift+Escape, which no table takes, ends the program and leaves the connection to
//   close with it.
// - While connecting, Escape calls the attempt off: a plain Escape is spent on that, a
//   modified one is kept to do what it always does.

// The key that ends the program from the key tables.
inline constexpr uint16_t QuitKey = VkF10;

// The quit key reached the key tables: the connection closes and the loop ends.
void QuitFromKeys(ServerConnection& link, LoopExit& loop);

// Whether a key event nothing consumed ends the loop.
bool EndsLoopUnconsumed(const KeyEvent& key);

// What an input record read during a network wait does to the wait.
struct WaitVerdict {
    bool CallsOff = false;
    // Held for the loop to handle after the wait.
    bool Kept = true;
};
WaitVerdict DuringNetworkWait(const InputRecord& record, NetworkWait::Purpose purpose);

// What becomes of a held input record when a failed send throws the type-ahead away.
enum class TypeAhead {
    Kept,      // still handled afterwards: the quit key, focus, the mouse and size changes
    Discarded, // a key press or a paste typed before the failure could be seen
    Dropped,   // a key release, which nobody misses
};
TypeAhead AfterFailedSend(const InputRecord& record);

} // namespace tolmix
