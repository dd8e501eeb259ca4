#include "ui/QuitPolicy.h"

namespace tolmix {

namespace {

bool IsKeyDown(const InputRecord& record) {
    return record.Type == InputRecord::Kind::Key && record.Key.KeyDown;
}

} // namespace

void QuitFromKeys(ServerConnection& link, LoopExit& loop) {
    if (link.Connected())
        link.Disconnect();
    loop.EndLoop();
}

bool EndsLoopUnconsumed(const KeyEvent& key) {
    return key.KeyDown && key.VirtualKey == VkEscape;
}

WaitVerdict DuringNetworkWait(const InputRecord& record, NetworkWait::Purpose purpose) {
    const bool keyDown = IsKeyDown(record);
    const KeyEvent& key = record.Key;
    // Any F10, modified or not: the wait is no place for the key tables' distinctions.
    if (keyDown && key.VirtualKey == QuitKey)
        return {.CallsOff = true, .Kept = true};
    if (keyDown && key.VirtualKey == VkEscape && purpose == NetworkWait::Purpose::Connect) {
        const bool modified =
            (key.ControlKeyState & (ShiftPressed | CtrlPressed | AltPressed)) != 0;
        return {.CallsOff = true, .Kept = modified};
    }
    return {};
}

TypeAhead AfterFailedSend(const InputRecord& record) {
    const bool keyDown = IsKeyDown(record);
    if (keyDown && record.Key.VirtualKey == QuitKey)
        return TypeAhead::Kept;
    if (keyDown || record.Type == InputRecord::Kind::Paste)
        return TypeAhead::Discarded;
    if (record.Type == InputRecord::Kind::Key)
        return TypeAhead::Dropped;
    return TypeAhead::Kept;
}

} // namespace tolmix
