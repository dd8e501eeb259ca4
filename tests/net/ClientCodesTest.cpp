#include "net/ClientCodes.h"

#include <gtest/gtest.h>

namespace tolmix {
namespace {

TEST(ClientCodes, TheServerEditorGetsItsLineCountAndEachLineAfterAMarker) {
    EXPECT_EQ(EditResultCode("look\r\nnorth"), "\x10\x10"
                                               "ct2\x10look\x10north");
    EXPECT_EQ(EditResultCode(""), "\x10\x10"
                                  "ct0\x10");
    // A lone CR or LF is no line break of the editor's; it still counts as one line end.
    EXPECT_EQ(EditResultCode("a\nb\r\n"), "\x10\x10"
                                          "ct2\x10"
                                          "a\nb\x10");
    EXPECT_EQ(EditCancelCode(), "\x10\x10"
                                "cc");
    EXPECT_EQ(VersionCode(), "\x10\x10v1.4");
}

TEST(ClientCodes, PluginCodesCarryTheirTextAsGiven) {
    EXPECT_EQ(PluginListCode("Chess", "Board \xEF"), "\x10\x10glChess\x10"
                                                     "Board \xEF");
    EXPECT_EQ(GameDataCode(std::string("\xFF\0", 2)), "\x10\x10gd/wA=");
    EXPECT_EQ(GameFinishCode(), "\x10\x10gf");
    // Channels 1 to 4 are letters; others have no code.
    EXPECT_EQ(GameTextCode(1, "hi"), "\x10\x10gerhi");
    EXPECT_EQ(GameTextCode(4, ""), "\x10\x10geb");
    EXPECT_FALSE(HasGameTextChannel(0));
    EXPECT_TRUE(HasGameTextChannel(1));
    EXPECT_TRUE(HasGameTextChannel(4));
    EXPECT_FALSE(HasGameTextChannel(5));
}

} // namespace
} // namespace tolmix
