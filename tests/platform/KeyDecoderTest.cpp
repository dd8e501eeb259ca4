#include "platform/vt/KeyDecoder.h"

#include "platform/VirtualKeys.h"
#include "platform/vt/Charsets.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace tolmix::vt {
namespace {

using namespace std::chrono_literals;

const TimePoint T0 = TimePoint{} + 1h;
constexpr uint32_t Shift = ShiftPressed;
constexpr uint32_t Ctrl = LeftCtrlPressed;
constexpr uint32_t Alt = LeftAltPressed;
constexpr uint32_t Grey = EnhancedKey;

std::string Hex(std::string_view text) {
    std::string out;
    for (char c : text) {
        const auto b = static_cast<uint8_t>(c);
        if (b >= 0x20 && b < 0x7F) {
            out += c;
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", b);
            out += buf;
        }
    }
    return out;
}

// Records as text, so a failure shows every field.
std::string Describe(const InputRecord& r) {
    char buf[96];
    switch (r.Type) {
    case InputRecord::Kind::Key:
        std::snprintf(buf, sizeof buf, "key vk=%02X ch=%02X state=%03X %s repeat=%u",
                      r.Key.VirtualKey, r.Key.Char, r.Key.ControlKeyState,
                      r.Key.KeyDown ? "down" : "up", r.Key.RepeatCount);
        return buf;
    case InputRecord::Kind::Paste:
        return "paste " + Hex(r.Text);
    case InputRecord::Kind::Focus:
        return r.Focused ? "focus in" : "focus out";
    case InputRecord::Kind::Resize:
        return "resize";
    case InputRecord::Kind::Wheel:
        return "wheel " + std::to_string(r.Wheel);
    case InputRecord::Kind::Mouse: {
        static constexpr const char* Actions[] = {"press", "drag", "release"};
        return std::string("mouse ") + Actions[static_cast<int>(r.Mouse.Type)] + " " +
               std::to_string(r.Mouse.Column) + "," + std::to_string(r.Mouse.Row);
    }
    }
    return "?";
}

std::string Key(uint16_t vk, uint8_t ch, uint32_t state = 0, bool down = true) {
    KeyEvent k;
    k.VirtualKey = vk;
    k.Char = ch;
    k.ControlKeyState = state;
    k.KeyDown = down;
    return Describe(InputRecord::FromKey(k));
}

std::vector<std::string> Drain(KeyDecoder& d, TimePoint now) {
    std::vector<std::string> out;
    InputRecord r;
    while (d.Next(r, now))
        out.push_back(Describe(r));
    return out;
}

// What the bytes give at once, without waiting for any deadline.
std::vector<std::string> Decode(std::string_view bytes) {
    KeyDecoder d;
    d.Feed(bytes, T0);
    return Drain(d, T0);
}

using Expected = std::vector<std::string>;

std::string EscThen(std::string_view rest) {
    return "\x1b" + std::string(rest);
}

struct Case {
    std::string Bytes;
    std::string Record;
};

void ExpectEachDecodes(const std::vector<Case>& cases) {
    for (const auto& c : cases) {
        SCOPED_TRACE(Hex(c.Bytes));
        EXPECT_EQ(Decode(c.Bytes), Expected{c.Record});
    }
}

TEST(KeyDecoder, CursorAndEditingKeysCarryModifiersAndTheEnhancedBit) {
    struct GreyKey {
        std::string Plain;  // unmodified form
        std::string Prefix; // CSI form with the modifier parameter spliced before Suffix
        std::string Suffix;
        uint16_t Vk;
    };
    const std::vector<GreyKey> keys = {
        {"\x1b[A", "\x1b[1;", "A", VkUp},      {"\x1b[B", "\x1b[1;", "B", VkDown},
        {"\x1b[C", "\x1b[1;", "C", VkRight},   {"\x1b[D", "\x1b[1;", "D", VkLeft},
        {"\x1b[H", "\x1b[1;", "H", VkHome},    {"\x1b[F", "\x1b[1;", "F", VkEnd},
        {"\x1b[5~", "\x1b[5;", "~", VkPrior},  {"\x1b[6~", "\x1b[6;", "~", VkNext},
        {"\x1b[2~", "\x1b[2;", "~", VkInsert}, {"\x1b[3~", "\x1b[3;", "~", VkDelete},
    };
    const std::vector<std::pair<std::string, uint32_t>> modifiers = {
        {"2", Shift}, {"3", Alt}, {"5", Ctrl}, {"6", Ctrl | Shift}, {"4", Alt | Shift}};
    std::vector<Case> cases;
    for (const auto& k : keys) {
        cases.push_back({k.Plain, Key(k.Vk, 0, Grey)});
        for (const auto& [m, state] : modifiers)
            cases.push_back({k.Prefix + m + k.Suffix, Key(k.Vk, 0, state | Grey)});
    }
    // Other spellings of the same keys: application cursor mode, VT220 Home/End, rxvt.
    cases.push_back({"\x1bOA", Key(VkUp, 0, Grey)});
    cases.push_back({"\x1bOH", Key(VkHome, 0, Grey)});
    cases.push_back({"\x1b[1~", Key(VkHome, 0, Grey)});
    cases.push_back({"\x1b[7~", Key(VkHome, 0, Grey)});
    cases.push_back({"\x1b[4~", Key(VkEnd, 0, Grey)});
    cases.push_back({"\x1b[8~", Key(VkEnd, 0, Grey)});
    cases.push_back({"\x1b[d", Key(VkLeft, 0, Shift | Grey)});
    cases.push_back({"\x1bOc", Key(VkRight, 0, Ctrl | Grey)});
    ExpectEachDecodes(cases);
}

TEST(KeyDecoder, CtrlEnterArrivesByEveryRoute) {
    const std::string ctrlEnter = Key(VkReturn, 0x0A, Ctrl);
    ExpectEachDecodes({
        {"\n", ctrlEnter},
        {"\x1b[13;5u", ctrlEnter},
        {"\x1b[27;5;13~", ctrlEnter},
        {"\r", Key(VkReturn, 0x0D)},
        {"\x1b[27;2;13~", Key(VkReturn, 0x0D, Shift)},
        {"\x1b[27;5;9~", Key(VkTab, 0x09, Ctrl)},
        {"\x1b[27;5;97~", Key('A', 0x01, Ctrl)},
        {"\x1bOM", Key(VkReturn, 0x0D, Grey)},
    });
}

TEST(KeyDecoder, FunctionKeysInAllTheirSpellings) {
    std::vector<Case> cases;
    const char* ss3 = "PQRS";
    for (int i = 0; i < 4; ++i) {
        cases.push_back({std::string("\x1bO") + ss3[i], Key(VkF1 + i, 0)});
        cases.push_back({std::string("\x1b[1;2") + ss3[i], Key(VkF1 + i, 0, Shift)});
        cases.push_back({"\x1b[" + std::to_string(11 + i) + "~", Key(VkF1 + i, 0)});
    }
    const int tilde[] = {15, 17, 18, 19, 20, 21, 23, 24};
    for (int i = 0; i < 8; ++i) {
        cases.push_back({"\x1b[" + std::to_string(tilde[i]) + "~", Key(VkF1 + 4 + i, 0)});
        cases.push_back({"\x1b[" + std::to_string(tilde[i]) + ";5~", Key(VkF1 + 4 + i, 0, Ctrl)});
    }
    cases.push_back({"\x1b[[A", Key(VkF1, 0)}); // Linux console
    cases.push_back({"\x1bO5P", Key(VkF1, 0, Ctrl)});
    cases.push_back({"\x1b[57376u", Key(VkF1 + 12, 0)}); // kitty F13
    ExpectEachDecodes(cases);
}

TEST(KeyDecoder, ApplicationKeypadGivesNumpadKeys) {
    std::vector<Case> cases;
    for (int i = 0; i < 10; ++i) {
        const auto digit = static_cast<uint8_t>('0' + i);
        cases.push_back(
            {std::string("\x1bO") + static_cast<char>('p' + i), Key(VkNumpad0 + i, digit)});
        cases.push_back({"\x1b[" + std::to_string(57399 + i) + "u", Key(VkNumpad0 + i, digit)});
    }
    cases.push_back({"\x1bOj", Key(VkMultiply, '*')});
    cases.push_back({"\x1bOk", Key(VkAdd, '+')});
    cases.push_back({"\x1bOm", Key(VkSubtract, '-')});
    cases.push_back({"\x1bOn", Key(VkDecimal, '.')});
    cases.push_back({"\x1bOo", Key(VkDivide, '/', Grey)});
    cases.push_back({"\x1bO2k", Key(VkAdd, '+', Shift)});
    cases.push_back({"\x1bO5p", Key(VkNumpad0, 0, Ctrl)});
    cases.push_back({"\x1b[57414;5u", Key(VkReturn, 0x0A, Ctrl | Grey)}); // kitty KP_ENTER
    cases.push_back({"\x1b[57417u", Key(VkLeft, 0)}); // keypad arrow: not a grey key
    ExpectEachDecodes(cases);
}

TEST(KeyDecoder, LoneEscapeBecomesEscapeOnlyAfterTheWait) {
    KeyDecoder d;
    d.Feed("\x1b", T0);
    EXPECT_EQ(d.Deadline(), T0 + KeyDecoder::EscapeWait);
    EXPECT_EQ(Drain(d, T0 + KeyDecoder::EscapeWait - 1ms), Expected{});
    EXPECT_EQ(Drain(d, T0 + KeyDecoder::EscapeWait), Expected{Key(VkEscape, 0x1B)});
    EXPECT_EQ(d.Deadline(), std::nullopt);

    // Bytes that arrive before anyone decides join the escape, however late they are read.
    d.Feed("\x1b", T0);
    d.Feed("x", T0 + 100ms);
    EXPECT_EQ(Drain(d, T0 + 100ms), Expected{Key('X', 'x', Alt)});

    // Each arriving byte of an incomplete sequence starts the wait again.
    d.Feed("\x1b[", T0);
    d.Feed("1", T0 + 20ms);
    EXPECT_EQ(d.Deadline(), T0 + 20ms + KeyDecoder::EscapeWait);
    EXPECT_EQ(Drain(d, T0 + 30ms), Expected{});
    d.Feed(";5D", T0 + 40ms);
    EXPECT_EQ(Drain(d, T0 + 40ms), Expected{Key(VkLeft, 0, Ctrl | Grey)});

    d.Feed("\x1b", T0);
    d.Force();
    EXPECT_EQ(Drain(d, T0), Expected{Key(VkEscape, 0x1B)});
}

TEST(KeyDecoder, EscapePrefixAddsAlt) {
    ExpectEachDecodes({
        {EscThen("a"), Key('A', 'a', Alt)},
        {EscThen("A"), Key('A', 'A', Alt | Shift)},
        {EscThen("1"), Key('1', '1', Alt)},
        {EscThen("\xD0\xB9"), Key('Q', 0xA9, Alt)}, // й
        {EscThen("\r"), Key(VkReturn, 0x0D, Alt)},
        {EscThen("\x7f"), Key(VkBack, 0x08, Alt)},
        {EscThen("\x1b[A"), Key(VkUp, 0, Alt | Grey)},
        {"\x1b[97;3u", Key('A', 'a', Alt)},
        {"\x1b[27;3u", Key(VkEscape, 0x1B, Alt)},
    });
    EXPECT_EQ(Decode(EscThen(EscThen("a"))), (Expected{Key(VkEscape, 0x1B, Alt), Key('A', 'a')}));
    // Sequence introducers alone are Alt keys once the wait is over.
    for (const auto& [bytes, record] :
         std::vector<std::pair<std::string, std::string>>{{"\x1b[", Key(VkOem4, '[', Alt)},
                                                          {"\x1bO", Key('O', 'O', Alt | Shift)},
                                                          {"\x1b]", Key(VkOem6, ']', Alt)},
                                                          {"\x1b\x1b", Key(VkEscape, 0x1B, Alt)}}) {
        SCOPED_TRACE(Hex(bytes));
        KeyDecoder d;
        d.Feed(bytes, T0);
        EXPECT_EQ(Drain(d, T0), Expected{});
        EXPECT_EQ(Drain(d, T0 + KeyDecoder::EscapeWait), Expected{record});
    }
}

TEST(KeyDecoder, ControlBytesAreCtrlKeys) {
    ExpectEachDecodes({
        {"\t", Key(VkTab, 0x09)},
        {"\x7f", Key(VkBack, 0x08)},
        {"\x08", Key(VkBack, 0x7F, Ctrl)},
        {"\x01", Key('A', 0x01, Ctrl)},
        {"\x03", Key('C', 0x03, Ctrl)},
        {"\x16", Key('V', 0x16, Ctrl)},
        {"\x1a", Key('Z', 0x1A, Ctrl)},
        {std::string(1, '\0'), Key(VkSpace, 0x20, Ctrl)},
        {"\x1c", Key(VkOem5, 0x1C, Ctrl)},
        {"\x1d", Key(VkOem6, 0x1D, Ctrl)},
    });
    KeyDecoder d;
    d.SetEraseByte(0x08);
    d.Feed("\x08\x7f", T0);
    EXPECT_EQ(Drain(d, T0), (Expected{Key(VkBack, 0x08), Key(VkBack, 0x08)}));
}

TEST(KeyDecoder, PrintableAsciiSitsOnUsLayoutKeys) {
    ExpectEachDecodes({
        {"a", Key('A', 'a')},
        {"Z", Key('Z', 'Z', Shift)},
        {"7", Key('7', '7')},
        {" ", Key(VkSpace, ' ')},
        {"!", Key('1', '!', Shift)},
        {";", Key(VkOem1, ';')},
        {":", Key(VkOem1, ':', Shift)},
        {"-", Key(VkOemMinus, '-')},
        {"?", Key(VkOem2, '?', Shift)},
        {"~", Key(VkOem3, '~', Shift)},
        {"|", Key(VkOem5, '|', Shift)},
    });
}

TEST(KeyDecoder, CyrillicArrivesAsCodePage866OnJcukenKeys) {
    ExpectEachDecodes({
        {"\xD0\xB0", Key('F', 0xA0)},            // а
        {"\xD1\x8F", Key('Z', 0xEF)},            // я
        {"\xD0\x81", Key(VkOem3, 0xF0, Shift)},  // Ё
        {"\xD1\x80", Key('H', 0xE0)},            // р
        {"\xD0\x99", Key('Q', 0x89, Shift)},     // Й
        {"\xD0\xB6", Key(VkOem1, 0xA6)},         // ж
        {"\xD1\x85", Key(VkOem4, 0xE5)},         // х
        {"\xD1\x8A", Key(VkOem6, 0xEA)},         // ъ
        {"\xD1\x8D", Key(VkOem7, 0xED)},         // э
        {"\xD0\xB1", Key(VkOemComma, 0xA1)},     // б
        {"\xD1\x8E", Key(VkOemPeriod, 0xEE)},    // ю
        {"\xE2\x82\xAC", Key(0, '?')},           // € would be a colour byte on the wire
        {"\x1b[1078;5u", Key(VkOem1, 0, Ctrl)},  // kitty Ctrl+ж
        {"\x1b[1089;5u", Key('C', 0x03, Ctrl)},  // kitty Ctrl+с is Ctrl+C
        {"\x1b[1072;2u", Key('F', 0x80, Shift)}, // kitty Shift+а is А
    });

    KeyDecoder d;
    d.SetSingleByteCharset(Cp1251Chars);
    d.Feed("\xE0\xDF", T0); // а Я in Windows-1251
    EXPECT_EQ(Drain(d, T0), (Expected{Key('F', 0xA0), Key('Z', 0x9F, Shift)}));
}

TEST(KeyDecoder, EveryRussianLetterSitsOnItsJcukenKey) {
    struct Row {
        std::u32string Letters;
        std::vector<uint16_t> Keys;
    };
    const std::vector<Row> rows = {
        {U"ёйцукенгшщзхъ",
         {VkOem3, 'Q', 'W', 'E', 'R', 'T', 'Y', 'U', 'I', 'O', 'P', VkOem4, VkOem6}},
        {U"фывапролджэ", {'A', 'S', 'D', 'F', 'G', 'H', 'J', 'K', 'L', VkOem1, VkOem7}},
        {U"ячсмитьбю", {'Z', 'X', 'C', 'V', 'B', 'N', 'M', VkOemComma, VkOemPeriod}},
    };
    size_t letters = 0;
    for (const auto& row : rows) {
        ASSERT_EQ(row.Letters.size(), row.Keys.size());
        for (size_t i = 0; i < row.Letters.size(); ++i) {
            for (const bool upper : {false, true}) {
                const char32_t c = upper ? (row.Letters[i] == U'ё' ? U'Ё' : row.Letters[i] - 0x20)
                                         : row.Letters[i];
                std::string utf8;
                AppendUtf8(utf8, c);
                SCOPED_TRACE(utf8);
                KeyDecoder d;
                d.Feed(utf8, T0);
                InputRecord r;
                ASSERT_TRUE(d.Next(r, T0));
                EXPECT_EQ(r.Key.VirtualKey, row.Keys[i]);
                EXPECT_EQ(r.Key.ControlKeyState, upper ? Shift : 0u);
                EXPECT_EQ(r.Key.Char, UnicodeToCp866(c).value());
            }
            ++letters;
        }
    }
    EXPECT_EQ(letters, 33u);
}

// The console byte of a typed character is the one the screen shows as that character and
// that goes out as it; a character Windows-1251 lacks is '?' already in the editor.
TEST(KeyDecoder, TypedSymbolsKeepTheirMeaning) {
    const std::pair<const char*, uint8_t> typed[] = {
        {"\xE2\x84\x96", 0xFC}, // № (Shift+3 on the Russian layout)
        {"\xD1\x94", 0xF3},     // є
        {"\xD1\x97", 0xF5},     // ї
        {"\xD1\x9E", 0xF7},     // ў
        {"\xC2\xB0", 0xF8},     // °
        {"\xD1\x96", 0xD3},     // і: not in code page 866
        {"\xC2\xAB", 0xCB},     // «
        {"\xE2\x80\x94", 0xB7}, // —
        {"\xE2\x94\x80", '?'},  // ─: no such character in Windows-1251
        {"\xE2\x88\x9A", '?'},  // √
        {"\xE2\x8C\x82", '?'},  // ⌂
        {"\xE4\xB8\xAD", '?'},  // 中
    };
    for (const auto& [utf8, byte] : typed) {
        KeyDecoder d;
        d.Feed(utf8, T0);
        InputRecord r;
        ASSERT_TRUE(d.Next(r, T0)) << utf8;
        EXPECT_EQ(r.Key.Char, byte) << utf8;
        if (byte != '?') {
            char32_t c = 0;
            DecodeUtf8(utf8, c);
            EXPECT_EQ(ConsoleGlyph(byte), c) << utf8;
        }
    }
}

TEST(KeyDecoder, KittyKeysAndReleaseEvents) {
    ExpectEachDecodes({
        {"\x1b[27u", Key(VkEscape, 0x1B)},
        {"\x1b[97;5u", Key('A', 0x01, Ctrl)},
        {"\x1b[97;6u", Key('A', 0x01, Ctrl | Shift)},
        {"\x1b[97;4u", Key('A', 'A', Alt | Shift)},
        {"\x1b[9;2u", Key(VkTab, 0x09, Shift)},
        {"\x1b[127u", Key(VkBack, 0x08)},
        {"\x1b[127;5u", Key(VkBack, 0x7F, Ctrl)},
        {"\x1b[1;6D", Key(VkLeft, 0, Ctrl | Shift | Grey)},
        {"\x1b[97;5:3u", Key('A', 0x01, Ctrl, false)},
        {"\x1b[1;1:3A", Key(VkUp, 0, Grey, false)},
        {"\x1b[3;5:3~", Key(VkDelete, 0, Ctrl | Grey, false)},
        {"\x1b[13;1:2u", Key(VkReturn, 0x0D)}, // repeat
        {"\x1b[97;9u", Key('A', 'a')},         // Super: no bit in the record
        {"\x1b[Z", Key(VkTab, 0x09, Shift)},
    });
}

TEST(KeyDecoder, FocusReports) {
    EXPECT_EQ(Decode("\x1b[I\x1b[O"), (Expected{"focus in", "focus out"}));
}

// The wheel arrives as SGR mouse reports; the other buttons, motion without a button, the
// wheel's releases and the old X10 reports are dropped whole, so no coordinate ever turns into
// typed text.
TEST(KeyDecoder, TheWheelArrivesAsNotchesAndOtherMouseReportsLeaveNothing) {
    EXPECT_EQ(Decode("\x1b[<64;10;5M\x1b[<65;80;25M"), (Expected{"wheel -1", "wheel 1"}));
    // Shift, Alt and Ctrl bits on the wheel.
    EXPECT_EQ(Decode("\x1b[<68;1;1M\x1b[<89;1;1M"), (Expected{"wheel -1", "wheel 1"}));
    EXPECT_EQ(Decode("\x1b[<2;3;4M\x1b[<1;3;4m\x1b[<35;5;5M\x1b[<34;5;5M\x1b[<64;1;1m"
                     "\x1b[<66;1;1M\x1b[<64;1M\x1b[<0;1M\x1b[<0;0;3M\x1b[<0;1;2;3M\x1b[M !!"),
              Expected{});
    EXPECT_EQ(Decode("\x1b[<64;999999999999;1Mx"), (Expected{"wheel -1", Key('X', 'x')}));
    // A report split across reads is one notch.
    KeyDecoder d;
    d.Feed("\x1b[<65;1", T0);
    EXPECT_EQ(Drain(d, T0), Expected{});
    d.Feed("0;2M", T0);
    EXPECT_EQ(Drain(d, T0), Expected{"wheel 1"});
}

// The left button's press, drag (button-motion reports: motion with 32 added) and release, in
// cells from 0 at the top left; the modifier bits do not change what the button does.
TEST(KeyDecoder, TheLeftButtonPressDragAndReleaseArriveWithTheirCells) {
    EXPECT_EQ(
        Decode("\x1b[<0;3;4M\x1b[<32;5;4M\x1b[<32;1;9M\x1b[<0;1;9m"),
        (Expected{"mouse press 2,3", "mouse drag 4,3", "mouse drag 0,8", "mouse release 0,8"}));
    EXPECT_EQ(Decode("\x1b[<4;10;2M\x1b[<48;11;2M\x1b[<16;12;2m"),
              (Expected{"mouse press 9,1", "mouse drag 10,1", "mouse release 11,1"}));
    // A coordinate past any screen saturates instead of wrapping round.
    EXPECT_EQ(Decode("\x1b[<32;999999999999;2M"), (Expected{"mouse drag 99999999,1"}));
    // Cut across reads, and behind keys in the same read.
    KeyDecoder d;
    d.Feed("a\x1b[<32;1", T0);
    EXPECT_EQ(Drain(d, T0), Expected{Key('A', 'a')});
    d.Feed("2;7", T0);
    d.Feed("M", T0);
    EXPECT_EQ(Drain(d, T0), Expected{"mouse drag 11,6"});
}

// Answers to the palette queries are kept, not typed; anything malformed is only dropped.
TEST(KeyDecoder, TheCursorStyleAnswerIsKeptAndNeverBecomesKeys) {
    KeyDecoder d;
    // A refusal and answers about other settings say nothing of the cursor.
    d.Feed("\x1bP0$r\x1b\\x\x1bP1$r0m\x1b\\\x1bP1$r7 q\x1b\\\x1bP1$r2 \"q\x1b\\", T0);
    EXPECT_EQ(Drain(d, T0), Expected{Key('X', 'x')});
    EXPECT_FALSE(d.ReportedCursorStyle().has_value());
    // The answer may come in pieces, and end with BEL.
    d.Feed("\x1bP1$r", T0);
    d.Feed("6 q\ay", T0);
    EXPECT_EQ(Drain(d, T0), Expected{Key('Y', 'y')});
    EXPECT_EQ(d.ReportedCursorStyle(), 6);
}

TEST(KeyDecoder, PaletteAnswersAreKeptAndNeverBecomeKeys) {
    KeyDecoder d;
    d.Feed("\x1b]4;1;rgb:ffff/8080/0000\x1b\\a\x1b]4;15;rgb:1/2/3\a"
           "\x1b]4;7;rgb:12345/0/0\a\x1b]4;16;rgb:1/1/1\a\x1b]4;3;rgb:1/1\a"
           "\x1b]10;rgb:1/1/1\a\x1b]4;5;rgb:aa/bb/cc",
           T0);
    EXPECT_EQ(Drain(d, T0), Expected{Key('A', 'a')});
    EXPECT_EQ(d.ReportedPalette(1), 0xFF8000u);
    EXPECT_EQ(d.ReportedPalette(15), 0x112233u);
    for (int index : {0, 3, 5, 7, 16, -1})
        EXPECT_FALSE(d.ReportedPalette(index).has_value()) << index;
    // The unfinished answer completes in a later read.
    d.Feed("\x1b\\", T0);
    EXPECT_EQ(Drain(d, T0), Expected{});
    EXPECT_EQ(d.ReportedPalette(5), 0xAABBCCu);
    // A long string keeps only its head and still ends where it should.
    d.Feed("\x1b]4;6;rgb:00/00/00" + std::string(10000, '0') + "\x1b\\b", T0);
    EXPECT_EQ(Drain(d, T0), Expected{Key('B', 'b')});
    EXPECT_FALSE(d.ReportedPalette(6).has_value());
}

// An input method's decomposed letter (и + U+0306) is one key of the letter it makes.
TEST(KeyDecoder, LetterAndCombiningMarkAreOneKey) {
    EXPECT_EQ(Decode("\xD0\xB8\xCC\x86"), (Expected{Key('Q', 0xA9)}));                        // й
    EXPECT_EQ(Decode("\xD0\x98\xCC\x86x"), (Expected{Key('Q', 0x89, Shift), Key('X', 'x')})); // Й
    EXPECT_EQ(Decode("\xD0\xB5\xCC\x88"), (Expected{Key(VkOem3, 0xF1)}));                     // ё
    // A mark that makes nothing with the key before it is a character the screen lacks.
    EXPECT_EQ(Decode("a\xCC\x86"), (Expected{Key('A', 'a'), Key(0, '?')}));
    EXPECT_EQ(Decode("\xD0\xB8\xCC\x86\xCC\x86"), (Expected{Key('Q', 0xA9), Key(0, '?')}));
    // Pasted, the same.
    EXPECT_EQ(Decode("\x1b[200~\xD0\xB8\xCC\x86 \xD0\x95\xCC\x88\x1b[201~"),
              (Expected{"paste \\xE9 \\xA8"}));

    // The mark in a later read joins a letter not taken yet; the byte-by-byte arrival of one
    // read is the same read.
    KeyDecoder d;
    d.Feed("\xD0\xB8", T0);
    d.Feed("\xCC", T0);
    d.Feed("\x86", T0);
    EXPECT_EQ(Drain(d, T0), (Expected{Key('Q', 0xA9)}));
}

TEST(KeyDecoder, BracketedPasteIsOneRecordInWindows1251) {
    const std::string paste = "\x1b[200~one\r\ntwo \xD0\xBC\xD0\xB8\xD1\x80\x1b[2x\x1b[201~";
    const Expected expected = {"paste one\\x0D\\x0Atwo \\xEC\\xE8\\xF0\\x1B[2x", Key('Q', 'q')};
    EXPECT_EQ(Decode(paste + "q"), expected);

    KeyDecoder d;
    Expected split;
    for (char c : paste + "q") {
        d.Feed(std::string(1, c), T0);
        for (auto& r : Drain(d, T0))
            split.push_back(r);
    }
    EXPECT_EQ(split, expected);
}

TEST(KeyDecoder, PasteIsCappedButStillDelivered) {
    KeyDecoder d;
    d.Feed("\x1b[200~", T0);
    const std::string chunk(64 * 1024, 'x');
    for (size_t fed = 0; fed < KeyDecoder::MaxPasteBytes + chunk.size(); fed += chunk.size())
        d.Feed(chunk, T0);
    d.Feed("\x1b[201~a", T0);
    InputRecord r;
    ASSERT_TRUE(d.Next(r, T0));
    EXPECT_EQ(r.Type, InputRecord::Kind::Paste);
    EXPECT_EQ(r.Text.size(), KeyDecoder::MaxPasteBytes);
    EXPECT_EQ(r.LeftOut, chunk.size()); // counted, for the editor to tell
    EXPECT_EQ(Drain(d, T0), Expected{Key('A', 'a')});

    // A multi-byte character cut by the cap is dropped, not turned into '?'.
    d.Feed("\x1b[200~", T0);
    d.Feed(std::string(KeyDecoder::MaxPasteBytes - 1, 'y') + "\xD0\xB0" + "\x1b[201~", T0);
    ASSERT_TRUE(d.Next(r, T0));
    EXPECT_EQ(r.Text, std::string(KeyDecoder::MaxPasteBytes - 1, 'y'));
    EXPECT_EQ(r.LeftOut, 1u);
    // Characters are counted, not bytes; a paste within the cap leaves nothing out.
    d.Feed("\x1b[200~", T0);
    d.Feed(std::string(KeyDecoder::MaxPasteBytes, 'y') + "\xD0\xB0\xD0\xB1z" + "\x1b[201~", T0);
    ASSERT_TRUE(d.Next(r, T0));
    EXPECT_EQ(r.LeftOut, 3u);
    d.Feed("\x1b[200~short\x1b[201~", T0);
    ASSERT_TRUE(d.Next(r, T0));
    EXPECT_EQ(r.LeftOut, 0u);
}

TEST(KeyDecoder, UnfinishedPasteIsDeliveredAfterASecondOfSilence) {
    KeyDecoder d;
    d.Feed("\x1b[200~abc", T0);
    EXPECT_EQ(d.Deadline(), T0 + KeyDecoder::PasteWait);
    d.Feed("def\x1b[20", T0 + 900ms); // still coming: the wait starts again
    EXPECT_EQ(Drain(d, T0 + 1500ms), Expected{});
    EXPECT_EQ(Drain(d, T0 + 1900ms), Expected{"paste abcdef\\x1B[20"});
    d.Feed("q", T0 + 2s);
    EXPECT_EQ(Drain(d, T0 + 2s), Expected{Key('Q', 'q')});
}

TEST(KeyDecoder, MalformedAndUnknownSequencesLeaveNoKeys) {
    struct Garbage {
        std::string Bytes;
        Expected Survivors; // the good keys inside it
    };
    const std::vector<Garbage> garbage = {
        {"\x1b[?62;22c", {}},                        // device attributes reply
        {"\x1b[24;80R", {}},                         // cursor position reply
        {"\x1b[?1u", {}},                            // kitty flags reply
        {"\x1b[<2;10;5M", {}},                       // SGR mouse, right button
        {"\x1b]11;rgb:0000/0000/0000\x07", {}},      // OSC reply ended by BEL
        {"\x1bP>|term 1.0\x1b\\", {}},               // DCS reply ended by ST
        {"\x1b[" + std::string(200, '1') + "A", {}}, // over-long
        {"\x1b[1$y", {}},                            // intermediate byte
        {"\x1b[99~", {}},                            // unknown key number
        {"\x1b[201~", {}},                           // paste end without start
        {"\xFF", {}},                                // never valid in UTF-8
        {"\xE0\xA0", {}},                            // UTF-8 cut short
        {"\xC3(", {Key('9', '(', Shift)}},           // bad UTF-8 before a key
        {"\x1b[1\r", {Key(VkReturn, 0x0D)}},         // a key cuts a sequence off
        {"\x1b[1;\x1b[B", {Key(VkDown, 0, Grey)}},   // and so does a new sequence
    };
    for (const auto& g : garbage) {
        SCOPED_TRACE(Hex(g.Bytes));
        KeyDecoder d;
        d.Feed(g.Bytes + "z", T0);
        Expected expected = g.Survivors;
        expected.push_back(Key('Z', 'z'));
        EXPECT_EQ(Drain(d, T0), expected);
        EXPECT_EQ(d.Deadline(), std::nullopt);
    }
}

TEST(KeyDecoder, InputSplitAtAnyByteDecodesLikeWholeInput) {
    const std::string input =
        "ab\xD0\xB9\x1b[1;5D\x1bOP\x1b[15;2~\x1b"
        "a\x1b\x1b[A\x1b[97;5u\x1b[13;5:3u\r\n"
        "\x1b[I\x1b[200~pa\xD1\x81te\x1b[201~\x1bOp\x1b[27;5;13~\x1b]0;t\x1b\\z\x7f"
        "\x1b[24;80R\x1b[<0;1;1m\xE2\x82\xAC\x1b[[B\x1b[O";
    const Expected whole = Decode(input);
    ASSERT_EQ(whole.size(), 22u);

    KeyDecoder bytewise;
    Expected split;
    for (char c : input) {
        bytewise.Feed(std::string(1, c), T0);
        for (auto& r : Drain(bytewise, T0))
            split.push_back(r);
    }
    EXPECT_EQ(split, whole);

    std::mt19937 rng(7);
    for (int round = 0; round < 50; ++round) {
        KeyDecoder d;
        Expected chunked;
        for (size_t pos = 0; pos < input.size();) {
            const size_t n = std::uniform_int_distribution<size_t>(1, 9)(rng);
            d.Feed(std::string_view(input).substr(pos, n), T0);
            pos += n;
            for (auto& r : Drain(d, T0))
                chunked.push_back(r);
        }
        EXPECT_EQ(chunked, whole);
    }
}

TEST(KeyDecoder, RandomBytesNeverBlockTheNextKey) {
    std::mt19937 rng(20240601);
    // Bytes that drive the parser into its states, and some of anything.
    const std::string alphabet = "\x1b\x1b\x1b[[O];:0123456789~uAPZ\x07\\\r\n\x7f\xD0\xB0\xE2\xFF";
    TimePoint now = T0;
    KeyDecoder d;
    for (int i = 0; i < 3000; ++i) {
        std::string garbage;
        const size_t length = std::uniform_int_distribution<size_t>(1, 80)(rng);
        for (size_t j = 0; j < length; ++j) {
            if (rng() % 4 == 0)
                garbage += static_cast<char>(rng() % 256);
            else
                garbage += alphabet[rng() % alphabet.size()];
        }
        if (i % 50 == 0)
            garbage = "\x1b[200~" + garbage; // an unterminated paste
        d.Feed(garbage, now);
        const size_t produced = Drain(d, now).size();
        now += KeyDecoder::PasteWait;
        const size_t late = Drain(d, now).size();
        ASSERT_LE(produced + late, garbage.size()) << Hex(garbage);
        ASSERT_EQ(d.Deadline(), std::nullopt) << Hex(garbage);

        d.Feed("\x1b[1;5D", now);
        ASSERT_EQ(Drain(d, now), Expected{Key(VkLeft, 0, Ctrl | Grey)}) << Hex(garbage);
    }
}

} // namespace
} // namespace tolmix::vt
