#include "app/ClientFakes.h"
#include "app/TClient.h"
#include "app/TClientParts.h"
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
        Loop.HandleReady = [this](PollHandle handle) { return Net.Ready(handle); };
        const char* argv[] = {"tolmix-client"};
        Client = std::make_unique<TClient>(Con, Env, 1, argv);
    }
    // Runs the input loop until every queued key and every arrived packet is handled.
    void Run() {
        for (int i = 0; i < 50 && !Con.Terminated; ++i) {
            Con.Step();
            if (Term.Input.empty() && (Net.Streams.empty() || Net.Streams.back()->Incoming.empty()))
                break;
        }
        Con.Step();
    }
    void Type(std::string_view text) {
        for (char c : text)
            Term.Key(0, static_cast<uint8_t>(c));
    }
    std::string Wire() { return Net.Streams.empty() ? "" : Net.Streams.back()->Sent; }

    std::unique_ptr<TClient> Client;
    test::TClientParts Parts() { return test::TClientParts(*Client); }
};

TEST_F(ClientKeys, TheTypedCommandGoesOutInWindows1251AndIntoTheHistory) {
    ASSERT_TRUE(ServerConnected()); // since start-up
    Type("\xEF\xAC\xA0");           // яма
    Term.Key(VkReturn, 0x0D);
    Run();
    EXPECT_EQ(Wire(), "\xFF\xFF\xEC\xE0\r\n");
    EXPECT_EQ(Parts().Editor.EditText, "");
    ASSERT_EQ(Parts().Editor.History.Count(), 1);
    EXPECT_EQ(Parts().Editor.History.At(0), "\xEF\xAC\xA0");
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
    EXPECT_EQ(Parts().Editor.EditText, "north");
    EXPECT_EQ(Wire(), "");
    EXPECT_EQ(Parts().Editor.History.Count(), 0);
}

TEST_F(ClientKeys, TheServersEditorComesBackAsOneCodeOrIsCancelled) {
    ASSERT_EQ(Net.Streams.size(), 1u);
    Net.Streams.back()->Arrive("\x80\x80"
                               "ct2\x80look\x80north\r\n");
    Run();
    EXPECT_TRUE(Parts().Editor.EditMode());
    EXPECT_EQ(Parts().Editor.EditText, "look\r\nnorth");
    EXPECT_EQ(test::RowText(Con.Screen(), 22).substr(0, 4), "look");
    // Enter breaks the line in edit mode; Ctrl+Enter sends the whole text.
    Term.Key(VkEnd, 0, EnhancedKey);
    Term.Key(VkReturn, 0x0D);
    Type("x");
    Term.Key(VkReturn, 0x0A, LeftCtrlPressed);
    Run();
    EXPECT_EQ(Wire(), "\x80\x80"
                      "ct3\x80look\x80x\x80north\r\n");
    EXPECT_FALSE(Parts().Editor.EditMode());
    EXPECT_FALSE(Parts().Editor.EnterSwap);

    Net.Streams.back()->Arrive("\x80\x80"
                               "ct1\x80text\r\n");
    Run();
    Term.Key(VkEscape, 0x1B);
    Run();
    EXPECT_FALSE(Con.Terminated);
    EXPECT_EQ(Wire().substr(Wire().size() - 6), "\x80\x80"
                                                "cc\r\n");
    EXPECT_FALSE(Parts().Editor.EditMode());
}

TEST_F(ClientKeys, F10DisconnectsWithThePromptAndEndsTheLoop) {
    ASSERT_TRUE(ServerConnected());
    const int64_t lines = Parts().Output.LineCount;
    Term.Key(VkF10);
    Run();
    EXPECT_TRUE(Con.Terminated);
    EXPECT_FALSE(ServerConnected());
    EXPECT_TRUE(Net.Streams.back()->Closed);
    EXPECT_GT(Parts().Output.LineCount, lines); // the reconnect prompt
}

TEST_F(ClientKeys, ATerminalPasteIsInsertedWithCrLfLineEnds) {
    InputRecord paste;
    paste.Type = InputRecord::Kind::Paste;
    paste.Text = "one\ntwo\r\xE4\x01";
    Term.Input.push_back(paste);
    Run();
    EXPECT_EQ(Parts().Editor.EditText, "one\r\ntwo\r\n\xA4\x01");
    EXPECT_EQ(Parts().Editor.CursorLine, 2);
}

TEST_F(ClientKeys, PageKeysScrollTheOutputWindow) {
    for (int i = 0; i < 60; ++i)
        Client->PrintLine("line " + std::to_string(i));
    const int64_t bottom = Parts().Output.ViewTop;
    Term.Key(VkPrior, 0, EnhancedKey);
    Run();
    EXPECT_EQ(Parts().Output.ViewTop, bottom - 20);
    Term.Key(VkDown, 0, EnhancedKey | LeftCtrlPressed);
    Run();
    EXPECT_EQ(Parts().Output.ViewTop, bottom - 19);
    // Sending brings the window back to the end.
    Term.Key(VkReturn, 0x0D);
    Run();
    EXPECT_EQ(Parts().Output.ViewTop, Parts().Output.BottomPosition());
}

} // namespace
} // namespace tolmix
