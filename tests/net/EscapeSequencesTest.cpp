#include "net/EscapeSequences.h"
#include "net/IncomingLine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tolmix {
namespace {

std::string Text(std::string_view line) {
    return DecodeIncomingLine(line).Text;
}

EscapeSequence At0(std::string_view text) {
    return RecogniseEscapeSequence(text, 0);
}

TEST(EscapeSequences, EachKindEndsAtItsFinalByteOrTerminator) {
    // Each sequence, with the text after it.
    struct Case {
        std::string Sequence;
        EscapeKind Kind;
    };
    const std::vector<Case> cases = {
        {"\x1B"
         "7",
         EscapeKind::Escape}, // save cursor
        {"\x1B"
         "c",
         EscapeKind::Escape},           // reset
        {"\x1B(B", EscapeKind::Escape}, // a character set
        {"\x1B#8", EscapeKind::Escape},
        {"\x1B\\", EscapeKind::Escape}, // a stray ST
        {"\x1B[2J", EscapeKind::Csi},
        {"\x1B[?25l", EscapeKind::Csi},
        {"\x1B[1;24r", EscapeKind::Csi},
        {"\x1B[ q", EscapeKind::Csi}, // an intermediate
        {"\x1B]0;title\a", EscapeKind::Osc},
        {"\x1B]0;title\x1B\\", EscapeKind::Osc},
        {"\x1B]8;;http://x\x1B\\", EscapeKind::Osc},
        {"\x1BPq#0;2;0;0;0\a\x1B\\", EscapeKind::ControlString}, // BEL ends no DCS
        {"\x1BX\xE0\xE1\x1B\\", EscapeKind::ControlString},
        {"\x1B^pm\x1B\\", EscapeKind::ControlString},
        {"\x1B_apc\x1B\\", EscapeKind::ControlString},
    };
    for (const Case& c : cases) {
        const std::string line = c.Sequence + "rest\a\x1B\\";
        const EscapeSequence s = At0(line);
        EXPECT_EQ(s.How, EscapeEnd::Complete) << c.Sequence;
        EXPECT_EQ(s.Kind, c.Kind) << c.Sequence;
        EXPECT_EQ(s.End, c.Sequence.size()) << c.Sequence;
        EXPECT_EQ(Text(c.Sequence + "rest"), "rest") << c.Sequence;
    }
}

TEST(EscapeSequences, OnlyCsiMWithPlainParametersIsSgr) {
    const auto sgr = [](std::string_view text) { return At0(text).IsSgr(text); };
    EXPECT_TRUE(sgr("\x1B[m"));
    EXPECT_TRUE(sgr("\x1B[1;31m"));
    EXPECT_TRUE(sgr("\x1B[38:2::1:2:3m"));
    EXPECT_FALSE(sgr("\x1B[>4;2m")); // a private parameter: another command
    EXPECT_FALSE(sgr("\x1B[1 m"));   // an intermediate
    EXPECT_FALSE(sgr("\x1B[1;31n"));
    EXPECT_FALSE(sgr("\x1B[1;31")); // cut
    EXPECT_EQ(At0("\x1B[1;31mx").Parameters("\x1B[1;31mx"), "1;31");
}

TEST(EscapeSequences, AByteThatCannotBelongBreaksASequenceOffAndStays) {
    // A control byte or a letter of the upper half inside CSI, after ESC, or after its
    // intermediates: the sequence goes, the byte is text.
    EXPECT_EQ(At0("\x1B[12\x01m").How, EscapeEnd::Broken);
    EXPECT_EQ(At0("\x1B[12\x01m").End, 4u);
    EXPECT_EQ(Text("a\x1B[12\xE0m"), "a\xE0m");
    EXPECT_EQ(Text("a\x1B\xE0z"), "a\xE0z");
    EXPECT_EQ(Text("a\x1B(\tz"), "a\tz");
    // An ESC inside a control string ends it and opens the next sequence, whose colour counts.
    EXPECT_EQ(Text("\x1B]0;lost end\x1B[31mred"), "\x81red");
    EXPECT_EQ(Text("\x1BPdata\x1B"
                   "7after"),
              "after");
    // The telnet reader took the commands out before: a byte 0xFF ("ya") breaks a sequence
    // off like any other letter, and inside a control string it is part of the string.
    EXPECT_EQ(Text("\x1B[\xFF\xF9m"), "\xFF\xF9m");
    EXPECT_EQ(Text("\x1B]0;\xFF\xFF\a"
                   "after"),
              "after");
}

TEST(EscapeSequences, ScreenCommandsAmidTextLoseNoneOfIt) {
    EXPECT_EQ(Text("\x1B[2JWelcome to the game, friend."), "Welcome to the game, friend.");
    EXPECT_EQ(Text("left \x1B[K after K, mom said hi"), "left  after K, mom said hi");
    EXPECT_EQ(Text("\x1B[?25lThe whole line stays.\x1B[?25h"), "The whole line stays.");
    EXPECT_EQ(Text("\x1B[H\x1B[2J\x1B[3;10Hmap\x1B[6n\x1B[s\x1B[u."), "map.");
    EXPECT_EQ(Text("\x1B]0;My MUD\a\x1B]8;;http://x\x1B\\link\x1B]8;;\x1B\\ text"), "link text");
}

// The line as pieces, each plain text or one sequence, with what each piece decodes to. A
// line cut anywhere decodes to the pieces before the cut, and of a text piece the part before
// it: nothing of a cut sequence shows, and nothing before it is lost.
TEST(EscapeSequences, ALineCutAtEveryByteShowsExactlyWhatIsWhole) {
    struct Piece {
        std::string Bytes;
        std::string Decoded;
        bool IsText;
    };
    const std::vector<Piece> pieces = {
        {"hp ", "hp ", true},
        {"\x1B[1;31m", "\x89", false},
        {"100", "100", true},
        {"\x1B]0;title\x1B\\", "", false},
        {" mv", " mv", true},
        {"\x1B[38;2;0;255;0m", "\x8A", false},
        {"\x1BP1$r0m\x1B\\", "", false},
        {"\x1B(B", "", false},
        {"\x1B[0;37;44m",
         "\x87\x98"
         "D",
         false},
        {"\xE3\xEE\xE1\xEB\xE8\xED", "\xE3\xEE\xE1\xEB\xE8\xED", true},
        {"\x1B]2;t\a", "", false},
        {"\x98", "?", false},
        {"\x1B[?25l", "", false},
        {"end", "end", true},
    };
    std::string line;
    for (const Piece& p : pieces)
        line += p.Bytes;
    std::size_t pieceStart = 0;
    std::string whole;
    for (const Piece& p : pieces) {
        for (std::size_t k = 0; k < p.Bytes.size(); ++k) {
            const std::string expected = whole + (p.IsText ? p.Decoded.substr(0, k) : "");
            const DecodedLine cut = DecodeIncomingLine(line.substr(0, pieceStart + k));
            EXPECT_EQ(cut.Text, expected) << "cut at " << pieceStart + k;
            // Decoded up to the piece's start, or up to the cut in plain text.
            EXPECT_EQ(cut.Consumed, p.IsText || k == 0 ? pieceStart + k : pieceStart)
                << "cut at " << pieceStart + k;
        }
        whole += p.Decoded;
        pieceStart += p.Bytes.size();
    }
    EXPECT_EQ(Text(line), whole);
}

TEST(EscapeSequences, AnUnendedSequenceIsDroppedAtItsBoundAndTheTextAfterItStays) {
    const std::string tail(EscapeSequenceLimit / 2, 't');
    for (const std::string opening : {"\x1B]0;", "\x1BP", "\x1B_", "\x1B[", "\x1B("}) {
        // Parameter bytes for CSI, intermediates for ESC, anything for a control string.
        const char filler = opening == "\x1B[" ? '1' : opening == "\x1B(" ? ' ' : 'x';
        const std::string body(EscapeSequenceLimit - opening.size(), filler);
        const std::string line = opening + body + tail;
        EXPECT_EQ(At0(line).How, EscapeEnd::TooLong);
        EXPECT_EQ(Text("a" + line), "a" + tail);
        // Shorter than the bound and unended, it may yet end: it is left out for now.
        EXPECT_EQ(At0(opening + body.substr(1)).How, EscapeEnd::Cut);
        EXPECT_EQ(Text("a" + opening + body.substr(1)), "a");
    }
}

TEST(EscapeSequences, AMegabyteWithoutAFinalByteTakesLinearTime) {
    // Decoded again at every 64 KiB of its growth, as a link would decode an unfinished line;
    // quadratic work here would be some 10^12 steps.
    const std::size_t size = 1 << 20;
    for (const std::string opening : {"\x1B[", "\x1B]",
                                      "\x1B"
                                      "P",
                                      "\x1B"
                                      "("}) {
        const char filler = opening == "\x1B[" ? ';' : opening == "\x1B(" ? '!' : 'x';
        std::string line = opening + std::string(size, filler);
        std::size_t decoded = 0;
        for (std::size_t end = 1 << 16; end <= line.size(); end += 1 << 16)
            decoded += Text(std::string_view(line).substr(0, end)).size();
        EXPECT_GT(decoded, 0u);
        // The first bound's worth goes; the rest is text.
        EXPECT_EQ(Text(line).size(), line.size() - EscapeSequenceLimit);
    }
    // Sequences that each break off the one before.
    std::string openings;
    while (openings.size() < size)
        openings += "\x1B]";
    EXPECT_EQ(Text(openings + "\a" + "x"), "x");
}

} // namespace
} // namespace tolmix
