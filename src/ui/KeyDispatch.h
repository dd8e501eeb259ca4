#pragma once

#include "macros/MacroSet.h"
#include "net/ServerConnection.h"
#include "platform/KeyEvent.h"
#include "ui/InputEditor.h"
#include "ui/ScreenViews.h"
#include "ui/TConsole.h"

#include <cstdint>

namespace tolmix {

// The client's whole reaction to the player's keys: every key-down event goes to the macro
// step, then typed characters into the editor, then the tables of plain, Ctrl, Shift and
// Ctrl+Shift keys. True when the event was consumed; an Escape that is not consumed ends the
// program through the console driver.
class KeyDispatch {
  public:
    // F10 ends the console driver's input loop.
    KeyDispatch(TConsole& console, InputEditor& editor, OutputView& output, ServerConnection& link,
                KeyMacroStep& macros, int32_t outputRows)
        : Con(console), Editor(editor), Output(output), Link(link), Macros(macros),
          OutputRows(outputRows) {}

    bool HandleKey(const KeyEvent& key);
    // The output window's height, which the page keys scroll by one row less than.
    void SetOutputRows(int32_t rows) { OutputRows = rows; }

  private:
    bool PlainKey(uint16_t vk);
    bool CtrlKey(uint16_t vk);
    bool ShiftKey(uint16_t vk, int32_t anchor);
    bool CtrlShiftKey(uint16_t vk, int32_t anchor);
    void Scroll(bool down, int64_t count);
    void Enter(bool ctrl);

    TConsole& Con;
    InputEditor& Editor;
    OutputView& Output;
    ServerConnection& Link;
    KeyMacroStep& Macros;
    int32_t OutputRows;
};

} // namespace tolmix
