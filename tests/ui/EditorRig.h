#pragma once

#include "support/DefaultScreen.h"
#include "support/FakeClipboard.h"
#include "support/FakeEventLoop.h"
#include "support/FakeTerminal.h"
#include "support/ScreenText.h"
#include "ui/ConsoleClipboard.h"
#include "ui/ConsoleScreen.h"
#include "ui/EditorView.h"
#include "ui/InputEditor.h"
#include "ui/InputLoop.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace tolmix::test {

// An editor 20 columns wide in rows 5 to 7 of a fake console, bound to a connection, aliases,
// an output window and a panel that record what it sends and asks of them.
class EditorRig : public ::testing::Test,
                  public ServerConnection,
                  public CommandRewriter,
                  public OutputView,
                  public StatusView {
  protected:
    static constexpr int Top = 5;
    static constexpr uint16_t TextColor = 0x1F;
    static constexpr uint16_t SelColor = 0x3F;

    FakeTerminal Term;
    FakeEventLoop Loop;
    FakeClipboard Clip;
    ConsoleScreen Con{Term};
    InputLoop Input{Term, Loop, Con};
    ConsoleClipboard Clipboard{Clip};
    std::unique_ptr<InputEditor> Editor;
    std::unique_ptr<EditorView> View;

    bool IsConnected = true;
    std::vector<std::string> Sent;
    int ConnectAttempts = 0;
    int ScrollsToEnd = 0;
    int PanelDraws = 0;
    // What the aliases make of a command; as typed while empty.
    std::function<ExpandedText(const std::string&)> Rewrite;

    bool Connected() const override { return IsConnected; }
    void ConnectToServer() override { ++ConnectAttempts; }
    void Disconnect() override { Record("disconnect"); }
    void SendLine(std::string_view text, bool) override { Sent.emplace_back(text); }
    ExpandedText ExpandCommand(const std::string& text) override {
        return Rewrite ? Rewrite(text) : ExpandedText{text, std::string()};
    }
    void ScrollOutput(bool down, int64_t count) override {
        Record((down ? "down " : "up ") + std::to_string(count));
    }
    void ScrollOutputToEnd() override { ++ScrollsToEnd; }
    void ShowNotice(std::string_view text) override { Notices.emplace_back(text); }
    std::vector<std::string> Notices;
    void ShowEditMode(bool) override { ++PanelDraws; }
    // What the keys asked of the client, for the tests that follow it.
    virtual void Record(const std::string&) {}

    void SetUp() override { Make(Options()); }

    static InputEditorOptions Options() {
        InputEditorOptions options = test::DefaultEditor();
        options.SizeX = 20;
        options.EditorTop = Top;
        options.EditorLines = 3;
        options.EditorTextColor = TextColor;
        options.EditorSelColor = SelColor;
        return options;
    }

    void Make(const InputEditorOptions& options) {
        View.reset();
        Editor = std::make_unique<InputEditor>(options, Clipboard, *this, *this, *this, *this);
        View = std::make_unique<EditorView>(Con, *Editor);
        Editor->ClearEditor();
    }

    InputEditor& E() { return *Editor; }

    // Types the text one byte at a time, as the keys would.
    void Type(std::string_view text) {
        for (char c : text)
            E().InsertText(std::string_view(&c, 1));
    }

    // The screen after the loop pass: the view shows what the editor changed.
    const Frame& Screen() {
        View->Refresh();
        return Con.Cells();
    }
    // The editor row r as it is on screen, without trailing blanks.
    std::string Row(int r) {
        std::string row = RowText(Screen(), Top + r).substr(0, 20);
        return row.substr(0, row.find_last_not_of(' ') + 1);
    }

    // Where the editor's cursor is: (display line, column).
    std::pair<int32_t, int32_t> Cursor() { return {E().Cursor().Line, E().Cursor().Column}; }
};

} // namespace tolmix::test
