#pragma once

#include "ui/EditorView.h"
#include "ui/InputEditor.h"
#include "ui/ScreenSurface.h"
#include "ui/ScrollbackSearch.h"
#include "ui/SearchKeys.h"

#include <cstddef>

namespace tolmix {

// The search line: while the search in the scrollback runs it takes the editor's rows, showing
// the prompt and the text typed (scrolled sideways to keep the cursor in view) and saying when
// nothing was found; the editor is drawn again when the search ends. Its keys: the editing
// keys, Enter (or Up, or Ctrl+F) for the line before, Shift+Enter (or Down) for the line after,
// Escape to end; the page keys, Ctrl+Up/Down, Ctrl+End, the function keys and Alt keys go on
// to the key tables and the macros, every other key is taken and does nothing.
class SearchLine final : public ScreenView, public SearchKeys {
  public:
    // Registers with the console until it goes: after the editor's view, so that it draws over
    // the editor's rows.
    SearchLine(ScreenSurface& screen, ScrollbackSearch& search, const InputEditor& editor,
               EditorView& editorView);
    ~SearchLine() override;
    SearchLine(const SearchLine&) = delete;
    SearchLine& operator=(const SearchLine&) = delete;

    void BeginSearch() override { Search.Begin(); }
    bool SearchKey(const KeyEvent& key) override;
    void Refresh() override;

  private:
    void Draw();

    ScreenSurface& Con;
    ScrollbackSearch& Search;
    const InputEditor& Editor;
    EditorView& EditorScreen;
    bool Shown = false;
    // The first character of the text shown.
    size_t First = 0;
};

} // namespace tolmix
