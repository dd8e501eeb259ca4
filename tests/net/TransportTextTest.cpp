#include "net/HttpTunnel.h"
#include "net/SocketErrorText.h"
#include "util/Base64.h"

#include <gtest/gtest.h>

namespace tolmix {
namespace {

TEST(SocketErrorText, KnownCodesHaveTheirTextsAndOthersSayTheyAreNone) {
    EXPECT_EQ(GetErrorDesc(0), "");
    EXPECT_EQ(GetErrorDesc(10004), "Interrupted system call");
    EXPECT_EQ(GetErrorDesc(10054), "Connection reset by peer");
    EXPECT_EQ(GetErrorDesc(10055), "No Buffer space available");
    EXPECT_EQ(GetErrorDesc(10059), "Too many references:can't splice");
    EXPECT_EQ(GetErrorDesc(10060), "Connection timed out");
    EXPECT_EQ(GetErrorDesc(10061), "Connection refused");
    EXPECT_EQ(GetErrorDesc(10091), "Network subsystem is unusable");
    EXPECT_EQ(GetErrorDesc(10101), "Disconnect");
    EXPECT_EQ(GetErrorDesc(11001), "Host not found");
    EXPECT_EQ(GetErrorDesc(11004), "Valid name, no data record of requested type");
    // Gaps inside the table and numbers outside it.
    EXPECT_EQ(GetErrorDesc(10072), "Not a Winsock error (10072)");
    EXPECT_EQ(GetErrorDesc(10003), "Not a Winsock error (10003)");
    EXPECT_EQ(GetErrorDesc(11005), "Not a Winsock error (11005)");
    EXPECT_EQ(GetErrorDesc(5), "Not a Winsock error (5)");
    EXPECT_EQ(GetErrorDesc(-1), "Not a Winsock error (-1)");
}

TEST(Base64, EncodesTheStandardVectorsWithPadding) {
    EXPECT_EQ(EncodeBase64(""), "");
    EXPECT_EQ(EncodeBase64("f"), "Zg==");
    EXPECT_EQ(EncodeBase64("fo"), "Zm8=");
    EXPECT_EQ(EncodeBase64("foo"), "Zm9v");
    EXPECT_EQ(EncodeBase64("foob"), "Zm9vYg==");
    EXPECT_EQ(EncodeBase64("fooba"), "Zm9vYmE=");
    EXPECT_EQ(EncodeBase64("foobar"), "Zm9vYmFy");
    // High bytes (a Windows-1251 password) and the last two letters of the alphabet.
    EXPECT_EQ(EncodeBase64(std::string("\xFF\xFE\xFD\xFB\xEF\xBE", 6)), "//79++++");
    EXPECT_EQ(EncodeBase64(std::string("\0\0\0", 3)), "AAAA");
}

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
