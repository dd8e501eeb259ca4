#include "net/IncomingLine.h"

#include <gtest/gtest.h>

#include <vector>

namespace tolmix {
namespace {

// Decodes `line`, keeping every telnet answer.
struct Decoded {
    std::string Text;
    std::vector<std::string> Answers;
};

Decoded Decode(std::string_view line) {
    Decoded d;
    d.Text =
        DecodeIncomingLine(line, [&](std::string_view bytes) { d.Answers.emplace_back(bytes); });
    return d;
}

std::string Bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values)
        s += static_cast<char>(v);
    return s;
}

TEST(IncomingLine, PlainTextAndTheServersOwnColourBytesPassUnchanged) {
    const std::string line("\x80\x80l12 \x8F\xE0\xE1\0tail", 14);
    const Decoded d = Decode(line);
    EXPECT_EQ(d.Text, line);
    EXPECT_TRUE(d.Answers.empty());
    EXPECT_EQ(Decode("").Text, "");
}

TEST(IncomingLine, WillIsRefusedAndTheOtherNegotiationsAreDroppedSilently) {
    Decoded d = Decode("pass\xFF\xFB\x01word");
    EXPECT_EQ(d.Text, "password");
    ASSERT_EQ(d.Answers.size(), 1u);
    EXPECT_EQ(d.Answers[0], Bytes({0xFF, 0xFE, 0x01}));

    d = Decode("a\xFF\xFD\x18"
               "b\xFF\xFE\x03"
               "c\xFF\xFC\x05"
               "d");
    EXPECT_EQ(d.Text, "abcd");
    EXPECT_TRUE(d.Answers.empty());

    d = Decode("\xFF\xFB\x01\xFF\xFB\x03");
    EXPECT_EQ(d.Text, "");
    EXPECT_EQ(d.Answers,
              (std::vector<std::string>{Bytes({0xFF, 0xFE, 0x01}), Bytes({0xFF, 0xFE, 0x03})}));
}

TEST(IncomingLine, DoubledIacIsTheLetterYaAndSwallowsOneZeroAfterIt) {
    // "я" inside a word, "яма" with the zero byte a server may add.
    EXPECT_EQ(Decode("\xEC\xFF\xFF\xF7").Text, "\xEC\xFF\xF7");
    EXPECT_EQ(Decode(std::string("\xFF\xFF\0\xEC\xE0", 5)).Text, "\xFF\xEC\xE0");
    // Only one zero goes, and a pair at the very end is kept.
    EXPECT_EQ(Decode(std::string("\xFF\xFF\0\0x", 5)).Text, std::string("\xFF\0x", 3));
    EXPECT_EQ(Decode("x\xFF\xFF").Text, "x\xFF");
}

TEST(IncomingLine, OtherTelnetCommandsAreDroppedWithTheirIac) {
    // GA after a prompt, NOP, and a sub-negotiation whose body stays as text.
    EXPECT_EQ(Decode("Name: \xFF\xF9").Text, "Name: ");
    EXPECT_EQ(Decode("a\xFF\xF1"
                     "b")
                  .Text,
              "ab");
    EXPECT_EQ(Decode("\xFF\xFA\x18\x01\xFF\xF0ok").Text, "\x18\x01ok");
}

TEST(IncomingLine, IncompleteSequencesAtTheEndAreDropped) {
    for (const char* tail :
         {"\x1B", "\x1B[", "\xFF", "\xFF\xFB", "\xFF\xFD", "\xFF\xFE", "\xFF\xFC"}) {
        const Decoded d = Decode(std::string("text") + tail);
        EXPECT_EQ(d.Text, "text") << tail;
        EXPECT_TRUE(d.Answers.empty()) << tail;
    }
}

TEST(IncomingLine, AnsiColoursBecomeOneColourBytePerParameter) {
    EXPECT_EQ(Decode("\x1B[1;31mX").Text, "\x8F\x89X");
    EXPECT_EQ(Decode("\x1B[1;33mgold").Text, "\x8F\x8Bgold");
    EXPECT_EQ(Decode("\x1B[44mX").Text, "\x84X"); // a background selects the foreground
    EXPECT_EQ(Decode("\x1B[32mg\x1B[0mn").Text, "\x82g\x87n");
    // The empty parameter repeats the state, "0" returns to light grey.
    EXPECT_EQ(Decode("\x1B[1;32m\x1B[m+\x1B[0m-").Text, "\x8F\x8A\x8A+\x87-");
    // The state starts at 7 on every line.
    EXPECT_EQ(Decode("\x1B[1m").Text, "\x8F");
    EXPECT_EQ(Decode("\x1B[m").Text, "\x87");
    // Parameters of other lengths leave the state; two characters always pick a colour.
    EXPECT_EQ(Decode("\x1B[1;100;22mX").Text, "\x8F\x8F\x8AX");
    EXPECT_EQ(Decode("\x1B[5;2m").Text, "\x87\x87");
}

TEST(IncomingLine, ASequenceRunsToTheNextMWhateverItIs) {
    // Cursor movement is no colour: the text up to the next "m" is swallowed.
    EXPECT_EQ(Decode("\x1B[2Jclear screen, then more text").Text, "\x87ore text");
    // Without any "m" the rest of the line is the parameter, and one colour byte comes out.
    EXPECT_EQ(Decode("a\x1B[12;34;5").Text, "a\x82\x84\x84");
    EXPECT_EQ(Decode("a\x1B[unended").Text, "a\x87");
    // An ESC not followed by "[" goes, the byte after it stays as it is.
    EXPECT_EQ(Decode("a\x1B(b").Text, "a(b");
    const Decoded escIac = Decode("a\x1B\xFF\xFB\x01");
    EXPECT_EQ(escIac.Text, "a\xFF\xFB\x01");
    EXPECT_TRUE(escIac.Answers.empty());
    // Telnet bytes inside a sequence are part of it.
    EXPECT_EQ(Decode("\x1B[\xFF\xFB\x01m").Text, "\x87");
}

TEST(IncomingLine, ApplyAnsiParameterDigitsWrapIntoTheEightColours) {
    std::string decoded;
    uint8_t state = 7;
    std::string parameter = "39";
    ApplyAnsiParameter(parameter, state, decoded);
    EXPECT_EQ(state, 1);
    EXPECT_TRUE(parameter.empty());
    parameter = "1";
    ApplyAnsiParameter(parameter, state, decoded);
    EXPECT_EQ(state, 9);
    parameter = "3 "; // (' ' - '0') & 7 is 0, and the bright bit stays
    ApplyAnsiParameter(parameter, state, decoded);
    EXPECT_EQ(state, 8);
    parameter = "x";
    ApplyAnsiParameter(parameter, state, decoded);
    EXPECT_EQ(state, 8);
    EXPECT_EQ(decoded, "\x81\x89\x88\x88");
}

} // namespace
} // namespace tolmix
