// The scripted test server as a program: what a developer starts by hand, driven by a test.
#include "e2e/harness/TempDir.h"
#include "net/ConnectionMessages.h"
#include "net/PlainNetworkWait.h"
#include "net/ServerLink.h"
#include "platform/posix/PosixEventLoop.h"
#include "platform/posix/PosixNetwork.h"
#include "posix/ChildProcess.h"
#include "support/RecordingLinkHost.h"

#include <gtest/gtest.h>

namespace tolmix::posix {
namespace {

using namespace std::chrono_literals;

TEST(TestServerTool, PlaysItsScriptAndRecordsWhatTheClientSent) {
    e2e::TempDir dir("tolmix-testserver");
    const auto script = dir.WriteFile("game.script", "# a tiny game\n"
                                                     "line \\e[1;33mHello\n"
                                                     "send Name: \\xFF\\xF9\n"
                                                     "expect \\r\\n\n"
                                                     "line Bye\n"
                                                     "close\n");
    const std::string record = (dir.Path() / "received.bin").string();
    test::ChildProcess server({std::string(TOLMIX_TOOLS_DIR) + "/testserver", "--port", "0",
                               "--script", script.string(), "--record", record, "--once"});
    ASSERT_TRUE(server.Started());
    std::string banner;
    ASSERT_TRUE(server.ReadLine(banner, 10s));
    const std::string prefix = "listening on 127.0.0.1:";
    ASSERT_EQ(banner.substr(0, prefix.size()), prefix);

    PosixNetwork net;
    PosixEventLoop loop;
    tolmix::test::RecordingLinkHost host;
    PlainNetworkWait waits(net);
    ServerLink link(
        host, host, waits, net, loop,
        {.Address = "127.0.0.1", .Port = banner.substr(prefix.size()), .AutoSend = "Bob"});
    link.ConnectToServer();
    ASSERT_TRUE(link.Connected());
    for (int pass = 0; pass < 200 && link.Connected(); ++pass) {
        loop.Wait(SteadyClock::now() + 100ms);
        while (link.PollSocket()) {
        }
    }
    EXPECT_FALSE(link.Connected());
    ASSERT_GE(host.Printed.size(), 8u);
    EXPECT_EQ(host.Printed[3], "\x8BHello");
    // The go-ahead ends the prompt's line.
    EXPECT_EQ(host.Printed[4], "Name: ");
    EXPECT_EQ(host.Printed[5], "Bye");
    // The script's end closes the connection in order.
    EXPECT_EQ(host.Printed[6], ServerClosedLine);

    EXPECT_EQ(server.WaitForExit(10s), 0);
    EXPECT_EQ(dir.ReadFile("received.bin"), "Bob\r\n");
}

} // namespace
} // namespace tolmix::posix
