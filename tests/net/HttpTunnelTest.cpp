#include "net/HttpTunnel.h"

#include <gtest/gtest.h>

namespace tolmix {
namespace {

TEST(TunnelRequest, AsksForHostAndPortWithAuthorisationOnlyForAUser) {
    EXPECT_EQ(TunnelRequest("mud.example", 4000, "", "secret"),
              "CONNECT mud.example:4000 HTTP/1.0\r\n\r\n");
    EXPECT_EQ(TunnelRequest("10.1.2.3", 23, "alice", "s3cret"),
              "CONNECT 10.1.2.3:23 HTTP/1.0\r\n"
              "Proxy-Authorization: Basic YWxpY2U6czNjcmV0\r\n\r\n");
    // An empty password still leaves the colon in what is encoded ("bob:").
    EXPECT_EQ(TunnelRequest("h", 1, "bob", ""),
              "CONNECT h:1 HTTP/1.0\r\nProxy-Authorization: Basic Ym9iOg==\r\n\r\n");
    EXPECT_EQ(TunnelRequest("::1", 4000, "", ""), "CONNECT [::1]:4000 HTTP/1.0\r\n\r\n");
    EXPECT_EQ(TunnelRequest("[::1]", 4000, "", ""), "CONNECT [::1]:4000 HTTP/1.0\r\n\r\n");
}

TEST(TunnelReply, TheLastStatusLineDecidesAndABlankLineEnds) {
    TunnelReply ok;
    EXPECT_TRUE(ok.TakeLine("HTTP/1.0 200 Connection established\r"));
    EXPECT_TRUE(ok.TakeLine("Proxy-agent: test\r"));
    EXPECT_FALSE(ok.TakeLine("\r"));
    EXPECT_TRUE(ok.Success());

    TunnelReply refused;
    EXPECT_TRUE(refused.TakeLine("HTTP/1.1 407 Proxy Authentication Required"));
    EXPECT_FALSE(refused.TakeLine(""));
    EXPECT_FALSE(refused.Success());

    TunnelReply overridden;
    overridden.TakeLine("HTTP/1.1 200 OK\r");
    overridden.TakeLine("HTTP/1.1 502 Bad Gateway\r");
    EXPECT_FALSE(overridden.Success());
    overridden.TakeLine("HTTP/1.1 204 Fine\r");
    EXPECT_TRUE(overridden.Success());

    // Eleven bytes are too short to be a status line; any 2xx counts.
    TunnelReply shortLine;
    shortLine.TakeLine("HTTP/1.0 20");
    EXPECT_FALSE(shortLine.Success());
    shortLine.TakeLine("HTTP/1.0 299");
    EXPECT_TRUE(shortLine.Success());
    TunnelReply notHttp;
    notHttp.TakeLine("SSH-2.0-OpenSSH 200 ok");
    EXPECT_FALSE(notHttp.Success());
}

} // namespace
} // namespace tolmix
