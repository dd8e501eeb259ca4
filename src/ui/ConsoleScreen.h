#pragma once

#include "platform/Frame.h"
#include "platform/Terminal.h"
#include "ui/ScreenSurface.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tolmix {

// The console's screen buffer: the cells the screen pieces write, shown on the terminal as one
// frame when the input loop asks for it, with the title set since the last frame.
class ConsoleScreen final : public ScreenSurface {
  public:
    explicit ConsoleScreen(Terminal& terminal);

    // The largest screen laid out; a larger terminal shows black beyond it.
    static constexpr int MaxColumns = 1024;
    static constexpr int MaxRows = 1024;

    void Clear() override;
    void WriteText(std::string_view text, uint16_t attr, Coord pos) override;
    void WriteColoredText(std::string_view text, uint16_t baseAttr, Coord pos) override;
    void WriteCells(const Cell* cells, int count, Coord pos) override;
    void FillRect(Coord pos, int width, int height, uint8_t ch, uint16_t attr) override;
    void FillAttribute(Coord pos, int count, uint16_t attr) override;
    std::string GetTitle() const override { return Title; }
    // The terminal gets the title with the next frame, once however often it changed.
    void SetTitle(std::string_view title) override;
    Coord GetBufferSize() const override;
    void SetBufferSize(Coord size) override;
    void SetTextAttr(uint16_t attr) override { TextAttr = attr; }
    void SetCursorPos(Coord pos) override;
    void SetCursorSize(int percent) override;
    void SetCursorVisible(bool visible) override;
    void AddView(ScreenView& view) override { Views.push_back(&view); }
    void RemoveView(ScreenView& view) override { std::erase(Views, &view); }

    // The terminal is below the smallest usable size: it shows a notice instead of the buffer,
    // which keeps its last size and contents until the terminal grows again.
    bool TooSmall() const { return Small; }
    // The terminal reported a new size (or lost what it showed): the buffer follows it and is
    // drawn again whole. True when the buffer took another size, so that the screen must be
    // laid out again.
    bool FollowTerminalSize();
    // The terminal lost what it showed: the next frame goes out even if nothing changed.
    void Invalidate() { Dirty = true; }

    void RefreshViews();
    // Whether the buffer changed since the terminal last showed it.
    bool Changed() const { return Dirty; }
    // Shows the buffer now, its views refreshed first.
    void Show();
    // The cells as the next frame shows them: the views are refreshed first.
    const Frame& Cells() {
        RefreshViews();
        return Buffer;
    }
    // The cells as written so far, the views not refreshed.
    const Frame& Written() const { return Buffer; }

  private:
    Terminal& Term;
    Frame Buffer;
    std::vector<ScreenView*> Views;
    std::string Title;
    std::string ShownTitle; // as the terminal last got it
    bool TitleChanged = false;
    uint16_t TextAttr = 7;
    bool Small = false;
    // The cursor as the client wants it; the terminal shows it only where its cell is on screen.
    bool CursorWanted = true;
    bool Dirty = true;
};

} // namespace tolmix
