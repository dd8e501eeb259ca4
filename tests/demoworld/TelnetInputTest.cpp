#include "TelnetInput.h"

#include <gtest/gtest.h>

namespace tolmix::demo {
namespace {

std::vector<std::string> Lines(TelnetInput& input, std::string_view bytes) {
    std::vector<TelnetInput::Line> lines;
    input.Feed(bytes, lines);
    std::vector<std::string> texts;
    for (const auto& line : lines)
        texts.push_back(line.text);
    return texts;
}

using Texts = std::vector<std::string>;

TEST(TelnetInput, EveryLineEndFormEndsOneLine) {
    TelnetInput input(100);
    EXPECT_EQ(Lines(input, "a\r\nb\nc\rd\r\n"), (Texts{"a", "b", "c", "d"}));
    // A CR at the end of one read and its LF at the start of the next are one line end.
    EXPECT_EQ(Lines(input, "e\r"), (Texts{"e"}));
    EXPECT_EQ(Lines(input, "\nf\n\n"), (Texts{"f", ""}));
}

TEST(TelnetInput, TelnetCommandsAreTakenOutAndIacIacIsTheLetterYa) {
    TelnetInput input(100);
    // The client's answer to our echo offer comes without a line end, before the password.
    EXPECT_EQ(Lines(input, "\xFF\xFE\x01secret\r\n"), (Texts{"secret"}));
    EXPECT_EQ(Lines(input, "\xFF\xFF\xEC\xE0\xFF\xF9\r\n"), (Texts{"\xFF\xEC\xE0"}));
    // A command split between two reads.
    EXPECT_EQ(Lines(input, "ab\xFF"), Texts{});
    EXPECT_EQ(Lines(input, "\xFD"), Texts{});
    EXPECT_EQ(Lines(input, "\x18"
                           "cd\r\n"),
              (Texts{"abcd"}));
}

TEST(TelnetInput, ALineOverTheLimitIsCutAndMarkedAndTheNextOneIsWhole) {
    TelnetInput input(8);
    std::vector<TelnetInput::Line> lines;
    input.Feed(std::string(100'000, 'x'), lines);
    EXPECT_TRUE(lines.empty());
    EXPECT_EQ(input.Pending(), 8u);
    input.Feed("\r\nshort\r\n", lines);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].text, "xxxxxxxx");
    EXPECT_TRUE(lines[0].cut);
    EXPECT_EQ(lines[1].text, "short");
    EXPECT_FALSE(lines[1].cut);
}

} // namespace
} // namespace tolmix::demo
