// A server's line longer than the screen, end to end through the real client: at two widths and
// after resizes the rows end between words, a colour changed inside a word stays on its letters,
// and the prompt after the line is wrapped the same way; WordWrap=0 cuts at the edge as before.
#include "e2e/harness/Assertions.h"
#include "e2e/harness/ClientScreen.h"
#include "e2e/harness/GameSession.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace tolmix::e2e {
namespace {

using namespace std::chrono_literals;

constexpr auto Patience = 10000ms;

// "Чтобы выделить текст, нажмите клавишу и тащите мышь, а чтобы снять выделение, сделайте всё
// наоборот: земля трясёт, гремит гром." in Windows-1251, "лить" in bright red; then the prompt
// "Введите имя персонажа и нажмите Enter, пожалуйста: " without a line end. The letter "я" is
// the telnet byte IAC, doubled.
const std::string LongLine =
    "\xD7\xF2\xEE\xE1\xFB \xE2\xFB\xE4\xE5\x1b[1;31m\xEB\xE8\xF2\xFC\x1b[0m \xF2\xE5\xEA\xF1\xF2, "
    "\xED\xE0\xE6\xEC\xE8\xF2\xE5 \xEA\xEB\xE0\xE2\xE8\xF8\xF3 \xE8 \xF2\xE0\xF9\xE8\xF2\xE5 "
    "\xEC\xFB\xF8\xFC, \xE0 \xF7\xF2\xEE\xE1\xFB \xF1\xED\xFF\xFF\xF2\xFC "
    "\xE2\xFB\xE4\xE5\xEB\xE5\xED\xE8\xE5, \xF1\xE4\xE5\xEB\xE0\xE9\xF2\xE5 \xE2\xF1\xB8 "
    "\xED\xE0\xEE\xE1\xEE\xF0\xEE\xF2: \xE7\xE5\xEC\xEB\xFF\xFF \xF2\xF0\xFF\xFF\xF1\xB8\xF2, "
    "\xE3\xF0\xE5\xEC\xE8\xF2 \xE3\xF0\xEE\xEC.\r\n";
const std::string Prompt = "\xC2\xE2\xE5\xE4\xE8\xF2\xE5 \xE8\xEC\xFF\xFF "
                           "\xEF\xE5\xF0\xF1\xEE\xED\xE0\xE6\xE0 \xE8 \xED\xE0\xE6\xEC\xE8\xF2\xE5 "
                           "Enter, \xEF\xEE\xE6\xE0\xEB\xF3\xE9\xF1\xF2\xE0: ";

const std::string PromptRow = "Введите имя персонажа и нажмите Enter, пожалуйста:";

// The rows the output window ends with at each width: the line, then the prompt (at 50 columns
// the prompt's last blank falls beyond the edge and takes no row of its own).
const std::vector<std::string> At80 = {
    "Чтобы выделить текст, нажмите клавишу и тащите мышь, а чтобы снять выделение,",
    "сделайте всё наоборот: земля трясёт, гремит гром.", PromptRow};
const std::vector<std::string> At50 = {"Чтобы выделить текст, нажмите клавишу и тащите",
                                       "мышь, а чтобы снять выделение, сделайте всё",
                                       "наоборот: земля трясёт, гремит гром.", PromptRow};
const std::vector<std::string> At100 = {
    "Чтобы выделить текст, нажмите клавишу и тащите мышь, а чтобы снять выделение, сделайте всё "
    "наоборот:",
    "земля трясёт, гремит гром.", PromptRow};
// Without word wrap, at 50 columns.
const std::vector<std::string> CutAt50 = {
    "Чтобы выделить текст, нажмите клавишу и тащите мыш",
    "ь, а чтобы снять выделение, сделайте всё наоборот:", " земля трясёт, гремит гром.", PromptRow};

// The output window's rows, trimmed, from the first that is `rows[0]` to the separator: the
// rows and nothing below them; and the frame finished, the cursor back in the editor.
bool ShowsLastRows(const PtySession& s, const std::vector<std::string>& rows) {
    const DefaultLayout layout = DefaultLayout::ForRows(s.Rows());
    if (s.Cursor().y != layout.editorTop)
        return false;
    for (int y = 0; y < layout.separatorRow; ++y) {
        if (s.RowTrimmed(y) != rows[0])
            continue;
        std::vector<std::string> shown;
        for (int row = y; row < layout.separatorRow; ++row)
            shown.push_back(s.RowTrimmed(row));
        while (shown.size() > rows.size() && shown.back().empty())
            shown.pop_back();
        return shown == rows;
    }
    return false;
}

testing::AssertionResult EndsWithRows(PtySession& s, const std::vector<std::string>& rows) {
    std::string what = "the output window ending with";
    for (const std::string& row : rows)
        what += "\n  \"" + row + "\"";
    return Eventually(
        s, [&] { return ShowsLastRows(s, rows); }, Patience, what);
}

// The screen row showing `text`, -1 when none does.
int RowOf(const PtySession& s, const std::string& text) {
    for (int y = 0; y < s.Rows(); ++y)
        if (s.RowTrimmed(y) == text)
            return y;
    return -1;
}

std::unique_ptr<GameSession> Connected(int columns, std::string settings = "AutoSend=") {
    GameSessionOptions options;
    options.settings = std::move(settings);
    options.columns = columns;
    auto game = std::make_unique<GameSession>(options);
    if (!game->Connect(Patience))
        return nullptr;
    return game;
}

TEST(WordWrap, TheServersLongLineAndPromptBreakBetweenWordsAtTwoWidths) {
    for (const auto& [columns, rows] : {std::pair{80, At80}, std::pair{50, At50}}) {
        auto game = Connected(columns);
        ASSERT_TRUE(game) << columns;
        PtySession& s = game->Client();
        game->Peer().Post(LongLine + Prompt);
        ASSERT_TRUE(EndsWithRows(s, rows)) << columns << " columns";
        // "лить" of "выделить" in bright red, the letters before it in the default grey.
        const int top = RowOf(s, rows[0]);
        EXPECT_EQ(s.Cell(9, top).Attribute(), 0x07) << s.Dump();
        EXPECT_EQ(s.Cell(10, top).Attribute(), 0x0C) << s.Dump();
        EXPECT_EQ(s.Cell(13, top).Attribute(), 0x0C) << s.Dump();
    }
}

TEST(WordWrap, AfterResizesTheRowsAreThoseOfThatWidth) {
    auto game = Connected(80);
    ASSERT_TRUE(game);
    PtySession& s = game->Client();
    game->Peer().Post(LongLine + Prompt);
    ASSERT_TRUE(EndsWithRows(s, At80));
    s.Resize(50, 25);
    ASSERT_TRUE(EndsWithRows(s, At50));
    s.Resize(100, 25);
    ASSERT_TRUE(EndsWithRows(s, At100));
    // The rest of the prompt's line replaces the unfinished rows, wrapped as one line.
    game->Peer().Post("\xC4\xE0.\r\n"); // "Да."
    EXPECT_TRUE(EndsWithRows(s, {At100[0], At100[1], PromptRow + " Да."}));
}

TEST(WordWrap, SwitchedOffTheRowsAreCutAtTheEdge) {
    auto game = Connected(50, "AutoSend=\r\nWordWrap=0");
    ASSERT_TRUE(game);
    PtySession& s = game->Client();
    game->Peer().Post(LongLine + Prompt);
    EXPECT_TRUE(EndsWithRows(s, CutAt50));
}

} // namespace
} // namespace tolmix::e2e
