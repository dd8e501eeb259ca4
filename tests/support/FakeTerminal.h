#pragma once

#include "platform/Terminal.h"

#include <deque>
#include <string>
#include <vector>

namespace tolmix::test {

// A terminal that keeps what it was asked to do: the frames presented, the title, the palette;
// input records are queued by the test.
class FakeTerminal final : public Terminal {
  public:
    TerminalSize CurrentSize{80, 25};
    std::vector<TerminalSize> SizeRequests;
    std::string Title;
    std::vector<std::string> Titles;
    std::vector<bool> FullScreenRequests;
    int PaletteWrites = 0;
    int PaletteResets = 0;
    uint32_t Palette[16] = {};
    Frame Shown;
    int Presents = 0;
    int Flashes = 0;
    bool Focused = true;
    uint64_t Window = 0;
    std::string Raw;
    std::deque<InputRecord> Input;
    std::optional<TimePoint> Deadline;

    void Key(uint16_t vk, uint8_t ch = 0, uint32_t state = 0, bool down = true) {
        KeyEvent key;
        key.KeyDown = down;
        key.VirtualKey = vk;
        key.Char = ch;
        key.ControlKeyState = state;
        Input.push_back(InputRecord::FromKey(key));
    }

    TerminalSize Size() const override { return CurrentSize; }
    // Like a terminal window that takes the size asked for, unless told to keep its own.
    bool TakesSizeRequests = true;
    void RequestSize(int columns, int rows) override {
        SizeRequests.push_back({columns, rows});
        if (TakesSizeRequests)
            CurrentSize = {columns, rows};
    }
    // The terminal changed its size; the console hears of it as an input record.
    void ResizeTo(int columns, int rows) {
        CurrentSize = {columns, rows};
        InputRecord record;
        record.Type = InputRecord::Kind::Resize;
        Input.push_back(record);
    }
    void SetTitle(std::string_view title) override {
        Title = std::string(title);
        Titles.push_back(Title);
    }
    bool SetFullScreen(bool on) override {
        FullScreenRequests.push_back(on);
        return true;
    }
    void SetPalette(int colour, uint32_t rgb) override {
        ++PaletteWrites;
        if (colour >= 0 && colour < 16)
            Palette[colour] = rgb;
    }
    void ResetPalette() override { ++PaletteResets; }
    void Present(const Frame& frame) override {
        Shown = frame;
        ++Presents;
    }
    void Flash() override { ++Flashes; }
    uint64_t WindowId() const override { return Window; }
    bool HasFocus() const override { return Focused; }
    void WriteRaw(std::string_view bytes) override { Raw += bytes; }
    bool ReadInput(InputRecord& record) override {
        if (Input.empty())
            return false;
        record = Input.front();
        Input.pop_front();
        return true;
    }
    std::optional<TimePoint> InputDeadline() const override { return Deadline; }
};

} // namespace tolmix::test
