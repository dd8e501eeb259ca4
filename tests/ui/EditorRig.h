#pragma once

#include "support/FakeClipboard.h"
#include "support/FakeEventLoop.h"
#include "support/FakeTerminal.h"
#include "support/ScreenText.h"
#include "ui/InputEditor.h"
#include "ui/TConsole.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tolmix::test {

// An editor 20 columns wide in rows 5 to 7 of a fake console, with hooks that record what it
// sends and asks of the client.
class EditorRig : public ::testing::Test {
  protected:
    static constexpr int Top = 5;
    static constexpr uint16_t TextColor = 0x1F;
    static constexpr uint16_t SelColor = 0x3F;

    FakeTerminal Term;
    FakeEventLoop Loop;
    FakeClipboard Clip;
    TConsole Con{Term, Loop, Clip};
    ClientState State;
    std::unique_ptr<InputEditor> Editor;

    bool Connected = true;
    std::vector<std::string> Sent;
    int ConnectAttempts = 0;
    int ScrollsToEnd = 0;
    int PanelDraws = 0;

    void SetUp() override { Make(Options()); }

    static InputEditorOptions Options() {
        InputEditorOptions options;
        options.SizeX = 20;
        options.EditorTop = Top;
        options.EditorLines = 3;
        options.EditorTextColor = TextColor;
        options.EditorSelColor = SelColor;
        return options;
    }

    void Make(const InputEditorOptions& options) {
        Editor = std::make_unique<InputEditor>(Con, State, options);
        Editor->Hooks.Connected = [this] { return Connected; };
        Editor->Hooks.ConnectToServer = [this] { ++ConnectAttempts; };
        Editor->Hooks.SendLine = [this](const std::string& text) { Sent.push_back(text); };
        Editor->Hooks.ScrollOutputToEnd = [this] { ++ScrollsToEnd; };
        Editor->Hooks.DrawStatusPanel = [this] { ++PanelDraws; };
        Editor->ClearEditor();
    }

    InputEditor& E() { return *Editor; }

    // Types the text one byte at a time, as the keys would.
    void Type(std::string_view text) {
        for (char c : text)
            E().InsertText(std::string_view(&c, 1));
    }

    // The editor row r as it is on screen, without trailing blanks.
    std::string Row(int r) {
        std::string row = RowText(Con.Screen(), Top + r).substr(0, 20);
        return row.substr(0, row.find_last_not_of(' ') + 1);
    }

    // Where the editor's cursor is: (display line, column).
    std::pair<int32_t, int32_t> Cursor() { return {E().CursorLine, E().CursorCol}; }
};

} // namespace tolmix::test
