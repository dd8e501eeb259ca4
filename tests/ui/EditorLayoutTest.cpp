#include "ui/EditorLayout.h"

#include <gtest/gtest.h>

#include <string>

namespace tolmix {
namespace {

std::vector<EditLine> Layout(std::string_view text, int sizeX = 20) {
    std::vector<EditLine> lines;
    LayoutLines(text, sizeX, lines);
    return lines;
}

using Lines = std::vector<EditLine>;

TEST(EditorLayout, WidthBreaksEverySizeXBytes) {
    EXPECT_EQ(Layout(std::string(45, 'x')), (Lines{{1, 20}, {21, 20}, {41, 5}}));
    // A text that fills its last line exactly has no empty line after it.
    EXPECT_EQ(Layout(std::string(20, 'x')), (Lines{{1, 20}}));
    EXPECT_EQ(Layout(std::string(40, 'x')), (Lines{{1, 20}, {21, 20}}));
    EXPECT_EQ(Layout(std::string(21, 'x')), (Lines{{1, 20}, {21, 1}}));
}

TEST(EditorLayout, CrLfEndsALineAndIsInNoLine) {
    EXPECT_EQ(Layout("ab\r\ncd"), (Lines{{1, 2}, {5, 2}}));
    // A final line break is followed by an empty line; the empty text has no lines.
    EXPECT_EQ(Layout("ab\r\n"), (Lines{{1, 2}, {5, 0}}));
    EXPECT_EQ(Layout(""), Lines{});
    EXPECT_EQ(Layout("\r\n"), (Lines{{1, 0}, {3, 0}}));
    EXPECT_EQ(Layout("\r\r"), (Lines{{1, 0}, {2, 0}, {3, 0}}));
}

TEST(EditorLayout, ALineBreakRightAtTheWidthIsNoWidthBreak) {
    const std::string full(20, 'x');
    EXPECT_EQ(Layout(full + "\r\ny"), (Lines{{1, 20}, {23, 1}}));
    EXPECT_EQ(Layout(full + "\r\n"), (Lines{{1, 20}, {23, 0}}));
    EXPECT_EQ(Layout(full + "\ry"), (Lines{{1, 20}, {22, 1}}));
}

TEST(EditorLayout, LoneLfIsAnOrdinaryByteAndLoneCrABreak) {
    EXPECT_EQ(Layout("a\nb"), (Lines{{1, 3}}));
    EXPECT_EQ(Layout(std::string(19, 'x') + "\n\nyy"), (Lines{{1, 20}, {21, 3}}));
    EXPECT_EQ(Layout("a\rb"), (Lines{{1, 1}, {3, 1}}));
    EXPECT_EQ(Layout("a\n\rb"), (Lines{{1, 2}, {4, 1}}));
}

TEST(EditorLayout, LinesFollowEachOtherOverAMegabyte) {
    std::string text;
    for (int i = 0; text.size() < (1u << 20); ++i)
        text += i % 7 == 0 ? std::string("\r\n") : std::string(i % 50, 'w');
    const Lines lines = Layout(text, 80);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0].Start, 1);
    size_t end = 1; // the position after the line before
    for (size_t i = 0; i < lines.size(); ++i) {
        const EditLine& line = lines[i];
        ASSERT_LE(line.Length, 80);
        if (i > 0) {
            // Between two lines lies one line break, or nothing after a full line.
            const std::string gap = text.substr(end - 1, line.Start - end);
            ASSERT_TRUE(gap == "\r\n" || (gap.empty() && lines[i - 1].Length == 80))
                << "line " << i;
        }
        ASSERT_EQ(text.substr(line.Start - 1, line.Length).find('\r'), std::string::npos);
        end = static_cast<size_t>(line.Start + line.Length);
    }
    EXPECT_EQ(end, text.size() + 1);
}

} // namespace
} // namespace tolmix
