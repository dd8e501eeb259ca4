#pragma once

#include "platform/KeyEvent.h"
#include "ui/InputEditor.h"

#include <cstdint>
#include <functional>

namespace tolmix {

// What the key tables need from the client besides the editor. A hook left empty does nothing;
// an empty RunKeyMacro finds no macro.
struct KeyDispatchHooks {
    // The macro step: true when a macro is bound to the key's combination (it has then done
    // its work, or nothing while disconnected).
    std::function<bool(const KeyEvent&)> RunKeyMacro;
    std::function<void(bool down, int64_t count)> ScrollOutput;
    // Tab: reads the key-macro and alias files anew.
    std::function<void()> LoadMacrosAndAliases;
    std::function<bool()> Connected;
    std::function<void()> Disconnect;
    // Ends the input loop (the console driver's Terminated).
    std::function<void()> Terminate;
};

// The client's whole reaction to the player's keys: every key-down event goes to the macro
// step, then typed characters into the editor, then the tables of plain, Ctrl, Shift and
// Ctrl+Shift keys. True when the event was consumed; an Escape that is not consumed ends the
// program through the console driver.
class KeyDispatch {
  public:
    KeyDispatch(InputEditor& editor, int32_t outputRows) : Editor(editor), OutputRows(outputRows) {}

    bool HandleKey(const KeyEvent& key);

    KeyDispatchHooks Hooks;

  private:
    bool PlainKey(uint16_t vk);
    bool CtrlKey(uint16_t vk);
    bool ShiftKey(uint16_t vk, int32_t anchor);
    bool CtrlShiftKey(uint16_t vk, int32_t anchor);
    void Scroll(bool down, int64_t count);
    void Enter(bool ctrl);

    InputEditor& Editor;
    const int32_t OutputRows;
};

} // namespace tolmix
