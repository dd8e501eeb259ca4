#include "net/SocketErrorText.h"

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

} // namespace
} // namespace tolmix
