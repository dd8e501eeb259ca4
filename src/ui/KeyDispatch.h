#pragma once

#include "macros/MacroSet.h"
#include "net/ServerConnection.h"
#include "platform/KeyEvent.h"
#include "ui/InputEditor.h"
#include "ui/LogSwitch.h"
#include "ui/LoopExit.h"
#include "ui/ScreenViews.h"
#include "ui/SearchKeys.h"

#include <cstdint>

namespace tolmix {

// The client's whole reaction to the player's keys: every key-down event goes to the search in
// the scrollback while it runs, then to the macro step, then typed characters into the editor,
// then the tables of plain, Ctrl, Shift and Ctrl+Shift keys. True when the event was consumed; the
// quit policy says what a key that is not consumed does.
class KeyDispatch {
  public:
    // The quit key ends the input loop; Alt+L switches the log.
    KeyDispatch(LoopExit& loop, InputEditor& editor, OutputView& output, ServerConnection& link,
                KeyMacroStep& macros, SearchKeys& search, int32_t outputRows, LogSwitch& log)
        : Loop(loop), Editor(editor), Output(output), Link(link), Macros(macros), Search(search),
          OutputRows(outputRows), Log(log) {}

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

    LoopExit& Loop;
    InputEditor& Editor;
    OutputView& Output;
    ServerConnection& Link;
    KeyMacroStep& Macros;
    SearchKeys& Search;
    int32_t OutputRows;
    LogSwitch& Log;
};

} // namespace tolmix
