#pragma once

#include "ui/InputEditor.h"
#include "ui/ScreenSurface.h"

namespace tolmix {

// The editor's rows of the screen and the cursor in them, drawn from the text model once per
// pass of the input loop when the model changed: a typed character costs one layout and one
// draw, however many steps it took.
class EditorView final : public ScreenView {
  public:
    // Registers with the console until it goes.
    EditorView(ScreenSurface& screen, InputEditor& model);
    ~EditorView() override;
    EditorView(const EditorView&) = delete;
    EditorView& operator=(const EditorView&) = delete;

    void Refresh() override;
    // Draws the model as it is now.
    void Draw();

  private:
    ScreenSurface& Con;
    InputEditor& Model;
};

} // namespace tolmix
