#include "app/ClientFakes.h"
#include "app/TClient.h"
#include "platform/VirtualKeys.h"
#include "support/ScreenText.h"

#include <gtest/gtest.h>

namespace tolmix {
namespace {

// The client on the default layout with a fake network: keys go through the console driver's
// input loop, the wire is the fake stream's.
class ClientKeys : public ::testing::Test, public test::ClientFakes {
  protected:
    void SetUp() override {
        Files.Add("TolmixClient.tcf", "AutoSend=\r\n");
        const char* argv[] = {"tolmix-client"};
        Client = std::make_unique<TClient>(Con, Env, 1, argv);
    }
    void Run() { RunInput(); }
    // The edit mode's caption is on the separator.
    bool InEditMode() const { return Screen.Cells().At(8, 21).Attr == 0xF0; }

    std::unique_ptr<TClient> Client;
    void RunInput() { ClientFakes::RunInput(*Client); }
};

TEST_F(ClientKeys, TheTypedCommandGoesOutInWindows1251AndIntoTheHistory) {
    ASSERT_TRUE(ServerConnected()); // since start-up
    Type("\xEF\xAC\xA0");           // яма
    Term.Key(VkReturn, 0x0D);
    Run();
    EXPECT_EQ(Wire(), "\xFF\xFF\xEC\xE0\r\n");
    EXPECT_EQ(Row(22).substr(0, 4), "    ");
    Term.Key(VkUp, 0, EnhancedKey);
    Run();
    EXPECT_EQ(Row(22).substr(0, 4), "\xEF\xAC\xA0 ");
}

TEST_F(ClientKeys, EnterWhileDisconnectedConnectsAndKeepsTheText) {
    Net.Streams.back()->ReceiveError = SocketError::ConnectionReset;
    Run();
    ASSERT_FALSE(ServerConnected());
    Type("north");
    Term.Key(VkReturn, 0x0D);
    Run();
    ASSERT_EQ(Net.Streams.size(), 2u);
    EXPECT_TRUE(ServerConnected());
    EXPECT_EQ(Row(22).substr(0, 6), "north ");
    EXPECT_EQ(Wire(), "");
    // Nothing went into the history.
    Term.Key(VkEscape, 0x1B);
    Term.Key(VkUp, 0, EnhancedKey);
    Run();
    EXPECT_EQ(Row(22).substr(0, 5), "     ");
}

TEST_F(ClientKeys, TheServersEditorComesBackAsOneCodeOrIsCancelled) {
    ASSERT_EQ(Net.Streams.size(), 1u);
    Net.Streams.back()->Arrive("\x80\x80"
                               "ct2\x80look\x80north\r\n");
    Run();
    EXPECT_TRUE(InEditMode());
    // The editor's row shows the cursor's line.
    EXPECT_EQ(Row(22).substr(0, 5), "look ");
    Term.Key(VkDown, 0, EnhancedKey);
    Run();
    EXPECT_EQ(Row(22).substr(0, 6), "north ");
    // Enter breaks the line in edit mode; Ctrl+Enter sends the whole text.
    Term.Key(VkUp, 0, EnhancedKey);
    Term.Key(VkEnd, 0, EnhancedKey);
    Term.Key(VkReturn, 0x0D);
    Type("x");
    Term.Key(VkReturn, 0x0A, LeftCtrlPressed);
    Run();
    EXPECT_EQ(Wire(), "\x80\x80"
                      "ct3\x80look\x80x\x80north\r\n");
    EXPECT_FALSE(InEditMode());
    // Enter sends again.
    Type("y");
    Term.Key(VkReturn, 0x0D);
    Run();
    EXPECT_TRUE(Wire().ends_with("north\r\ny\r\n")) << Wire();

    Net.Streams.back()->Arrive("\x80\x80"
                               "ct1\x80text\r\n");
    Run();
    Term.Key(VkEscape, 0x1B);
    Run();
    EXPECT_FALSE(Input.LoopEnded());
    EXPECT_EQ(Wire().substr(Wire().size() - 6), "\x80\x80"
                                                "cc\r\n");
    EXPECT_FALSE(InEditMode());
}

TEST_F(ClientKeys, F10DisconnectsWithThePromptAndEndsTheLoop) {
    ASSERT_TRUE(ServerConnected());
    ASSERT_FALSE(ScreenHas(" Enter "));
    Term.Key(VkF10);
    Run();
    EXPECT_TRUE(Input.LoopEnded());
    EXPECT_FALSE(ServerConnected());
    EXPECT_TRUE(Net.Streams.back()->Closed);
    EXPECT_TRUE(ScreenHas(" Enter ")); // the reconnect prompt
}

TEST_F(ClientKeys, ATerminalPasteIsInsertedWithCrLfLineEnds) {
    InputRecord paste;
    paste.Type = InputRecord::Kind::Paste;
    paste.Text = "one\ntwo\r\xE4\x01";
    Term.Input.push_back(paste);
    Run();
    // Three lines, the cursor on the last; the editor's row shows the cursor's line.
    EXPECT_EQ(Row(22).substr(0, 3), "\xA4\x01 ");
    Term.Key(VkUp, 0, EnhancedKey);
    Run();
    EXPECT_EQ(Row(22).substr(0, 4), "two ");
    Term.Key(VkUp, 0, EnhancedKey);
    Run();
    EXPECT_EQ(Row(22).substr(0, 4), "one ");
}

TEST_F(ClientKeys, PageKeysScrollTheOutputWindow) {
    for (int i = 0; i < 60; ++i)
        Client->Lines().PrintLine("line " + std::to_string(i) + ".");
    // The output window's last row shows the newest line.
    EXPECT_EQ(RowWith("line 59."), 20);
    // Scrolled back, the window is split: 13 rows of older text, and the newest below.
    Term.Key(VkPrior, 0, EnhancedKey);
    Run();
    EXPECT_EQ(RowWith("line 19."), 0);
    EXPECT_EQ(RowWith("line 31."), 12);
    EXPECT_EQ(RowWith("line 59."), 20);
    Term.Key(VkDown, 0, EnhancedKey | LeftCtrlPressed);
    Run();
    EXPECT_EQ(RowWith("line 32."), 12);
    // Sending brings the window back to the end.
    Term.Key(VkReturn, 0x0D);
    Run();
    EXPECT_EQ(RowWith("line 59."), 20);
    EXPECT_EQ(RowWith("line 39."), 0);
}

} // namespace
} // namespace tolmix
