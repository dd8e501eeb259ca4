#include "platform/vt/DesktopLineEnds.h"

#include <gtest/gtest.h>

namespace tolmix::vt {
namespace {

TEST(LineEnds, DesktopLinesGetCrLfAndComeBackTheSame) {
    EXPECT_EQ(DesktopToCrLf("one\ntwo\n"), "one\r\ntwo\r\n");
    EXPECT_EQ(DesktopToCrLf("\n\n"), "\r\n\r\n");
    // What already has CR LF, and a lone CR, are left alone.
    EXPECT_EQ(DesktopToCrLf("a\r\nb\rc"), "a\r\nb\rc");
    EXPECT_EQ(CrLfToDesktop("one\r\ntwo\r\n"), "one\ntwo\n");
    EXPECT_EQ(CrLfToDesktop("a\rb\nc\r"), "a\rb\nc\r");
    const std::string text = "look\r\n\r\nnorth\r\n";
    EXPECT_EQ(DesktopToCrLf(CrLfToDesktop(text)), text);
}

} // namespace
} // namespace tolmix::vt
