#include "e2e/harness/Keys.h"
#include "e2e/harness/PtySession.h"

#include <gtest/gtest.h>

namespace tolmix::e2e {
namespace {

using namespace std::chrono_literals;

// The backend draws cell bytes as glyphs and cleans titles, so that nothing from a server or a
// file reaches the terminal as a control sequence.
TEST(TerminalBackend, ControlBytesInCellsAndTitleArriveHarmless) {
    SessionOptions options;
    options.program = E2E_PROGRAMS_DIR "/e2e_ShowCells";
    PtySession s(options);
    ASSERT_TRUE(s.WaitFor([&] { return s.Cell(9, 0).chars == U"\u25BA"; }, 5000ms)) << s.Dump();

    const std::u32string expected = U"\u2022\u2190\u042B \u266A\u25D9\u2302\u2500\u263A\u25BA";
    EXPECT_EQ(s.Row(0).substr(0, 10), expected) << s.Dump();
    for (int x = 0; x < 10; ++x) {
        EXPECT_EQ(s.Cell(x, 0).fg, 14) << x;
        EXPECT_EQ(s.Cell(x, 0).bg, 1) << x;
    }
    // Nothing of the cell text moved the cursor or reached a second row.
    EXPECT_EQ(s.RowTrimmed(1), "") << s.Dump();
    EXPECT_EQ(s.Cursor(), (CursorPosition{19, 1}));

    EXPECT_EQ(s.Title(), "Badtitle]2;evil\\\u203A1m\u2026!");
    // The program wrote exactly one title sequence and no bell.
    const std::string& out = s.Output();
    EXPECT_EQ(out.find("\x1b]2;evil"), std::string::npos);
    EXPECT_EQ(out.find('\a'), std::string::npos);
    EXPECT_EQ(s.Screen().Bells(), 0);

    s.Send(keys::Escape);
    const auto status = s.WaitForExit(5000ms);
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(*status, ExitStatus::Code(0));
}

} // namespace
} // namespace tolmix::e2e
