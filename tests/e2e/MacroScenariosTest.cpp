// Key macros and aliases in the real client, against a loopback server.
#include "e2e/harness/Keys.h"
#include "e2e/harness/LoopbackServer.h"
#include "e2e/harness/PtySession.h"
#include "e2e/harness/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace tolmix::e2e {
namespace {

using namespace std::chrono_literals;

constexpr auto Patience = 5000ms;

// A connected client whose settings name a macro file and an alias file in its folder.
struct MacroClient {
    LoopbackServer Server;
    TempDir Dir;
    std::unique_ptr<PtySession> Session;
    std::optional<LoopbackServer::Peer> Peer;

    MacroClient(const std::string& macros, const std::string& aliases) {
        Dir.WriteFile("hero.tcf", "Address=127.0.0.1\r\nPort=" + std::to_string(Server.Port()) +
                                      "\r\nAutoSend=\r\nMacrosFile=keys\r\nAliasFile=aliases\r\n");
        Dir.WriteFile("keys.tmf", macros);
        Dir.WriteFile("aliases.taf", aliases);
        SessionOptions options;
        options.workingDirectory = Dir.String();
        options.args = {"hero"};
        Session = std::make_unique<PtySession>(options);
        Peer = Server.Accept(Patience);
    }
    // Everything the client sent since the last call, once `expected` has arrived.
    std::string Expect(const std::string& expected) {
        EXPECT_TRUE(Peer->WaitForReceived(expected, Patience))
            << "received: " << Peer->Received() << "\n"
            << Session->Dump();
        return Peer->Take();
    }
};

TEST(MacroScenarios, AMacroSendsItsLinesThroughTheAliases) {
    MacroClient c("F1=sc|eq\r\nF2=k goblin|k\r\n", "alias:\r\nk *\r\nkill $1\r\n");
    ASSERT_TRUE(c.Peer) << c.Session->Dump();
    c.Session->Send(keys::F1);
    EXPECT_EQ(c.Expect("eq\r\n"), "sc\r\neq\r\n");
    c.Session->Send(keys::F2);
    // The second line has no word for the "*", so it goes out as it is.
    EXPECT_EQ(c.Expect("k\r\n"), "kill goblin\r\nk\r\n");
}

TEST(MacroScenarios, TypedCommandsAreRewrittenAndTabReadsTheFilesAgain) {
    MacroClient c("", "alias:\r\nk *\r\nkill $1\r\n");
    ASSERT_TRUE(c.Peer) << c.Session->Dump();
    c.Session->Send("k goblin");
    c.Session->Send(keys::Enter);
    EXPECT_EQ(c.Expect("goblin\r\n"), "kill goblin\r\n");
    c.Dir.WriteFile("aliases.taf", "alias:\r\nk *\r\nkick $1\r\n");
    c.Dir.WriteFile("keys.tmf", "F4=bow\r\n");
    c.Session->Send(keys::Tab);
    c.Session->Send("k goblin");
    c.Session->Send(keys::Enter);
    EXPECT_EQ(c.Expect("goblin\r\n"), "kick goblin\r\n");
    c.Session->Send(keys::F4);
    EXPECT_EQ(c.Expect("bow\r\n"), "bow\r\n");
}

TEST(MacroScenarios, ATabMacroRunsInsteadOfTheReload) {
    MacroClient c("TAB=look\r\n", "");
    ASSERT_TRUE(c.Peer) << c.Session->Dump();
    c.Dir.WriteFile("keys.tmf", "TAB=changed\r\n");
    c.Session->Send(keys::Tab);
    EXPECT_EQ(c.Expect("look\r\n"), "look\r\n");
    c.Session->Send(keys::Tab);
    EXPECT_EQ(c.Expect("look\r\n"), "look\r\n");
}

TEST(MacroScenarios, AWinMacroRunsFromTheCursorKeyAndNotFromTheKeypad) {
    MacroClient c("WIN-UP=north\r\nF3=mark\r\n", "");
    ASSERT_TRUE(c.Peer) << c.Session->Dump();
    c.Session->Send(keys::Keypad(8));
    c.Session->Send(keys::F3);
    // Keypad 8 sent nothing before the marker.
    EXPECT_EQ(c.Expect("mark\r\n"), "mark\r\n");
    c.Session->Send(keys::Up);
    EXPECT_EQ(c.Expect("north\r\n"), "north\r\n");
}

TEST(MacroScenarios, ACatastrophicAliasIsReportedOnceAndTheClientGoesOn) {
    MacroClient c("F1=" + std::string(40, 'a') + "b\r\nF2=after\r\n",
                  "alias: pure part\r\n(a+)+$\r\nexploded\r\n");
    ASSERT_TRUE(c.Peer) << c.Session->Dump();
    c.Session->Send(keys::F1);
    // The search gives up at its limit: no match, the line goes out unchanged.
    EXPECT_EQ(c.Expect("b\r\n"), std::string(40, 'a') + "b\r\n");
    EXPECT_TRUE(c.Session->WaitForText("(a+)+$", Patience)) << c.Session->Dump();
    c.Session->Send(keys::F1);
    c.Session->Send(keys::F2);
    EXPECT_EQ(c.Expect("after\r\n"), std::string(40, 'a') + "b\r\nafter\r\n");
    // Reported once only.
    int reports = 0;
    for (int y = 0; y < c.Session->Rows(); ++y)
        reports += c.Session->RowTrimmed(y).find("(a+)+$") != std::string::npos;
    EXPECT_EQ(reports, 1) << c.Session->Dump();
}

// How many rows of the screen hold the text.
int RowsWith(const PtySession& s, const std::string& text) {
    int rows = 0;
    for (int y = 0; y < s.Rows(); ++y)
        rows += s.RowTrimmed(y).find(text) != std::string::npos ? 1 : 0;
    return rows;
}

// A named pipe nobody writes to and an endless device as the macro and alias files: neither is
// read, each is one line at start and at every Tab, and the client plays on.
TEST(MacroScenarios, APipeOrADeviceAsAMacroAliasOrTriggerFileIsNamedAndNeverRead) {
    LoopbackServer server;
    TempDir dir;
    dir.WriteFile("hero.tcf", "Address=127.0.0.1\r\nPort=" + std::to_string(server.Port()) +
                                  "\r\nAutoSend=\r\nMacrosFile=keys\r\nAliasFile=aliases\r\n"
                                  "TriggerFile=fight\r\n");
    ASSERT_EQ(::mkfifo((dir.Path() / "keys.tmf").c_str(), 0600), 0);
    ASSERT_EQ(::symlink("/dev/zero", (dir.Path() / "aliases.taf").c_str()), 0);
    ASSERT_EQ(::mkfifo((dir.Path() / "fight.ttr").c_str(), 0600), 0);
    SessionOptions options;
    options.workingDirectory = dir.String();
    options.args = {"hero"};
    PtySession s(options);
    std::optional<LoopbackServer::Peer> peer = server.Accept(Patience);
    ASSERT_TRUE(peer) << s.Dump();
    // Named as the settings name them: relative at start, in full once the folder is fixed.
    const std::string pipeLine = "keys.tmf";
    const std::string zeroLine = "aliases.taf";
    const std::string triggerLine = "fight.ttr";
    const auto namedTimes = [&](int times) {
        return RowsWith(s, zeroLine) == times && RowsWith(s, pipeLine) == times &&
               RowsWith(s, triggerLine) == times;
    };
    ASSERT_TRUE(s.WaitFor([&] { return namedTimes(1); }, Patience)) << s.Dump();
    EXPECT_EQ(RowsWith(s, "Ошибка: не файл: "), 3) << s.Dump();
    s.Send(keys::Tab);
    ASSERT_TRUE(s.WaitFor([&] { return namedTimes(2); }, Patience)) << s.Dump();
    EXPECT_EQ(RowsWith(s, "Ошибка: не файл: " + dir.String() + "/keys.tmf"), 1) << s.Dump();
    EXPECT_EQ(RowsWith(s, "Ошибка: не файл: " + dir.String() + "/fight.ttr"), 1) << s.Dump();
    s.Send("look");
    s.Send(keys::Enter);
    EXPECT_TRUE(peer->WaitForReceived("look\r\n", Patience)) << s.Dump();
    s.Send(keys::F10);
    const auto status = s.WaitForExit(Patience);
    ASSERT_TRUE(status.has_value()) << s.Dump();
    EXPECT_EQ(*status, ExitStatus::Code(0));
}

// A named pipe as the settings file: the defaults, one line naming it, and the keys heard.
TEST(MacroScenarios, APipeAsTheSettingsFileGivesTheDefaultsAndOneLine) {
    TempDir dir;
    ASSERT_EQ(::mkfifo((dir.Path() / "hero.tcf").c_str(), 0600), 0);
    SessionOptions options;
    options.workingDirectory = dir.String();
    options.args = {"hero"};
    PtySession s(options);
    const std::string line = "Ошибка: не файл: hero.tcf";
    ASSERT_TRUE(s.WaitFor([&] { return RowsWith(s, line) == 1; }, Patience)) << s.Dump();
    s.Send(keys::F10);
    const auto status = s.WaitForExit(Patience);
    ASSERT_TRUE(status.has_value()) << s.Dump();
    EXPECT_EQ(*status, ExitStatus::Code(0));
}

} // namespace
} // namespace tolmix::e2e
