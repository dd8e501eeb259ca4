#include "platform/vt/FrameRenderer.h"
#include "platform/vt/Charsets.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace tolmix::vt {
namespace {

constexpr char32_t Garbage = U'\uFFFF';

struct ModelCell {
    char32_t Glyph = Garbage;
    int Fg = -2;
    int Bg = -2;
};

// A terminal that understands exactly what the renderer may send and rejects everything
// else: a stray control byte, a move off the screen, a character printed where the terminal
// would have to wrap, or an attribute left at the terminal's default colours.
class TerminalModel {
  public:
    TerminalModel(int columns, int rows)
        : Columns(columns), Rows(rows), Cells(static_cast<size_t>(columns) * rows) {}

    testing::AssertionResult Feed(std::string_view bytes) {
        for (size_t i = 0; i < bytes.size();) {
            const auto b = static_cast<uint8_t>(bytes[i]);
            if (b == 0x1B) {
                if (auto result = Sequence(bytes, i); !result)
                    return result;
                continue;
            }
            if (b < 0x20 || b == 0x7F)
                return testing::AssertionFailure() << "control byte " << int(b) << " at " << i;
            char32_t c = 0;
            const size_t used = DecodeUtf8(bytes.substr(i), c);
            if (used == 0 || c == 0xFFFD || (c >= 0x80 && c <= 0x9F))
                return testing::AssertionFailure() << "bad UTF-8 or C1 at " << i;
            i += used;
            if (PendingWrap)
                return testing::AssertionFailure() << "printed past the last column at " << i;
            Cells[static_cast<size_t>(Y) * Columns + X] = {c, Fg, Bg};
            ++Printed;
            if (X + 1 == Columns)
                PendingWrap = true;
            else
                ++X;
        }
        return testing::AssertionSuccess();
    }

    const ModelCell& At(int x, int y) const { return Cells[static_cast<size_t>(y) * Columns + x]; }

    int Columns;
    int Rows;
    int X = 0;
    int Y = 0;
    bool PendingWrap = false;
    bool CursorVisible = true;
    int Shape = 0;
    bool InSync = false;
    int Printed = 0;

  private:
    testing::AssertionResult Sequence(std::string_view bytes, size_t& i) {
        const size_t start = i;
        if (i + 1 >= bytes.size() || bytes[i + 1] != '[')
            return testing::AssertionFailure() << "ESC without CSI at " << start;
        i += 2;
        const bool privateMode = i < bytes.size() && bytes[i] == '?';
        if (privateMode)
            ++i;
        std::vector<int> params{-1};
        for (; i < bytes.size() && ((bytes[i] >= '0' && bytes[i] <= '9') || bytes[i] == ';'); ++i) {
            if (bytes[i] == ';')
                params.push_back(-1);
            else
                params.back() = (params.back() < 0 ? 0 : params.back() * 10) + (bytes[i] - '0');
        }
        const bool space = i < bytes.size() && bytes[i] == ' ';
        if (space)
            ++i;
        if (i >= bytes.size())
            return testing::AssertionFailure() << "unfinished sequence at " << start;
        const char final = bytes[i++];
        const auto param = [&](size_t n, int fallback) {
            return n < params.size() && params[n] >= 0 ? params[n] : fallback;
        };
        const auto fail = [&] {
            return testing::AssertionFailure()
                   << "unexpected sequence "
                   << testing::PrintToString(bytes.substr(start, i - start)) << " at " << start;
        };
        if (privateMode && !space && (final == 'h' || final == 'l') && params.size() == 1) {
            if (params[0] == 25) {
                CursorVisible = final == 'h';
            } else if (params[0] == 2026 && InSync != (final == 'h')) {
                InSync = final == 'h';
            } else {
                return fail();
            }
        } else if (privateMode) {
            return fail();
        } else if (space) {
            if (final != 'q' || (param(0, 0) != 1 && param(0, 0) != 3))
                return fail();
            Shape = param(0, 0);
        } else if (final == 'H') {
            const int row = param(0, 1);
            const int column = param(1, 1);
            if (params.size() > 2 || row > Rows || column > Columns)
                return fail();
            X = column - 1, Y = row - 1, PendingWrap = false;
        } else if (final == 'C') {
            const int n = param(0, 1);
            if (params.size() > 1 || PendingWrap || X + n >= Columns)
                return fail();
            X += n;
        } else if (final == 'J') {
            if (param(0, 0) != 2)
                return fail();
            // Erasing fills with the current background, as xterm and its kin do.
            for (ModelCell& cell : Cells)
                cell = {U' ', Fg, Bg};
        } else if (final == 'm') {
            for (const int p : params) {
                // The ANSI colour numbers in console order: red 1 is console 4, and so on.
                static constexpr int AnsiToConsole[8] = {0, 4, 2, 6, 1, 5, 3, 7};
                if (p <= 0)
                    Fg = Bg = -1;
                else if (p >= 30 && p <= 37)
                    Fg = AnsiToConsole[p - 30];
                else if (p >= 90 && p <= 97)
                    Fg = 8 + AnsiToConsole[p - 90];
                else if (p >= 40 && p <= 47)
                    Bg = AnsiToConsole[p - 40];
                else if (p >= 100 && p <= 107)
                    Bg = 8 + AnsiToConsole[p - 100];
                else
                    return fail();
            }
        } else {
            return fail();
        }
        return testing::AssertionSuccess();
    }

    std::vector<ModelCell> Cells;
    int Fg = -1;
    int Bg = -1;
};

testing::AssertionResult Shows(const TerminalModel& model, const Frame& frame) {
    const int width = std::min(frame.Width, model.Columns);
    const int height = std::min(frame.Height, model.Rows);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Cell& want = frame.At(x, y);
            const ModelCell& got = model.At(x, y);
            if (got.Glyph != ConsoleGlyph(want.Char) || got.Fg != (want.Attr & 15) ||
                got.Bg != (want.Attr >> 4 & 15))
                return testing::AssertionFailure()
                       << "cell " << x << "," << y << " shows U+" << std::hex << int(got.Glyph)
                       << " fg " << got.Fg << " bg " << got.Bg << ", want byte " << int(want.Char)
                       << " attr " << want.Attr;
        }
    }
    if (model.CursorVisible != frame.CursorVisible)
        return testing::AssertionFailure() << "cursor visibility " << model.CursorVisible;
    if (model.Shape != (frame.CursorSize < 50 ? 3 : 1))
        return testing::AssertionFailure() << "cursor shape " << model.Shape;
    if (frame.CursorVisible && width > 0 && height > 0) {
        const int x = std::clamp(frame.CursorX, 0, width - 1);
        const int y = std::clamp(frame.CursorY, 0, height - 1);
        if (model.X != x || model.Y != y || model.PendingWrap)
            return testing::AssertionFailure()
                   << "cursor at " << model.X << "," << model.Y << ", want " << x << "," << y;
    }
    if (model.InSync)
        return testing::AssertionFailure() << "synchronized output left open";
    return testing::AssertionSuccess();
}

Frame Text(const std::vector<std::string>& rows, uint16_t attr = 7) {
    Frame frame;
    frame.Resize(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()), Cell{' ', attr});
    for (int y = 0; y < frame.Height; ++y)
        for (int x = 0; x < frame.Width; ++x)
            frame.At(x, y).Char = static_cast<uint8_t>(rows[y][x]);
    return frame;
}

Frame Blank(int width, int height, uint16_t attr = 7) {
    Frame frame;
    frame.Resize(width, height, Cell{' ', attr});
    return frame;
}

TEST(FrameRenderer, UnknownScreenIsClearedAndEveryCellDrawn) {
    Frame after = Text({"ab"});
    after.CursorX = 1;
    const std::string expected = "\x1b[?25l\x1b[0;37;40m\x1b[2J\x1b[Hab\x1b[3 q\x1b[1;2H\x1b[?25h";
    EXPECT_EQ(Render(Frame{}, after), expected);
    EXPECT_EQ(Render(Blank(3, 1), after), expected);
    EXPECT_EQ(Render(Blank(2, 2), after), expected);

    // The clear is black whatever the first cell holds: a larger terminal shows black beyond
    // the frame.
    Frame hidden = Text({"x", "y"}, 0x1E);
    hidden.CursorVisible = false;
    hidden.CursorSize = 100;
    EXPECT_EQ(Render(Frame{}, hidden),
              "\x1b[?25l\x1b[0;37;40m\x1b[2J\x1b[H\x1b[93;44mx\x1b[2Hy\x1b[1 q");
}

TEST(FrameRenderer, UnchangedFrameRendersNothing) {
    const Frame frame = Text({"abc", "def"});
    EXPECT_EQ(Render(frame, frame), "");
    EXPECT_EQ(Render(frame, frame, {.Synchronized = true}), "");

    Frame highBits = frame;
    highBits.At(1, 1).Attr |= 0x8400;
    EXPECT_EQ(Render(frame, highBits), "");

    Frame hidden = frame;
    hidden.CursorVisible = false;
    Frame hiddenMoved = hidden;
    hiddenMoved.CursorX = 2;
    EXPECT_EQ(Render(hidden, hiddenMoved), "");

    Frame sameShape = frame;
    sameShape.CursorSize = 10;
    EXPECT_EQ(Render(frame, sameShape), "");
}

TEST(FrameRenderer, OnlyChangedCellsAreDrawn) {
    const Frame before = Blank(3, 2);
    Frame after = before;
    after.At(1, 1) = {'X', 0x1E};
    EXPECT_EQ(Render(before, after), "\x1b[2;2H\x1b[0;93;44mX\x1b[H");

    // The cursor is already where the first change is, and stays after the last one.
    Frame typed = before;
    typed.At(0, 0) = {'h', 7};
    typed.At(1, 0) = {'i', 7};
    typed.CursorX = 2;
    EXPECT_EQ(Render(before, typed), "\x1b[0;37;40mhi");
}

TEST(FrameRenderer, AttributeChangesSendOnlyWhatDiffers) {
    Frame after = Text({"abcd"});
    after.At(0, 0).Attr = 0x1F; // white on blue
    after.At(1, 0).Attr = 0x14; // red on blue
    after.At(2, 0).Attr = 0x24; // red on green
    after.At(3, 0).Attr = 0x6E; // yellow on brown
    EXPECT_EQ(Render(Blank(4, 1), after), "\x1b[0;97;44ma\x1b[31mb\x1b[42mc\x1b[93;43md\x1b[H");
}

TEST(FrameRenderer, ConsoleColoursMapToAnsiColours) {
    struct Case {
        const char* Name;
        uint16_t Console;
        int Fg;
        int Bg;
    };
    const Case cases[] = {
        {"black", 0, 30, 40},         {"blue", 1, 34, 44},
        {"green", 2, 32, 42},         {"cyan", 3, 36, 46},
        {"red", 4, 31, 41},           {"magenta", 5, 35, 45},
        {"brown", 6, 33, 43},         {"light grey", 7, 37, 47},
        {"dark grey", 8, 90, 100},    {"light blue", 9, 94, 104},
        {"light green", 10, 92, 102}, {"light cyan", 11, 96, 106},
        {"light red", 12, 91, 101},   {"light magenta", 13, 95, 105},
        {"yellow", 14, 93, 103},      {"white", 15, 97, 107},
    };
    Frame before = Blank(1, 1);
    before.CursorVisible = false;
    for (const Case& c : cases) {
        Frame after = before;
        after.At(0, 0) = {'x', static_cast<uint16_t>(c.Console << 4 | c.Console)};
        EXPECT_EQ(Render(before, after),
                  "\x1b[H\x1b[0;" + std::to_string(c.Fg) + ";" + std::to_string(c.Bg) + "mx")
            << c.Name;
    }
}

TEST(FrameRenderer, ShortGapsAreRewrittenLongOnesSkipped) {
    Frame before = Text({"abcdefghijklmnop"});
    before.CursorVisible = false;
    Frame after = before;
    after.At(0, 0).Char = 'A';
    after.At(4, 0).Char = 'E';
    after.At(15, 0).Char = 'P';
    EXPECT_EQ(Render(before, after), "\x1b[H\x1b[0;37;40mAbcdE\x1b[10CP");

    // A cell in other colours cannot be written again without changing colours twice.
    Frame mixed = Text({"abcd"});
    mixed.CursorVisible = false;
    mixed.At(1, 0).Attr = 0x02;
    Frame changed = mixed;
    changed.At(0, 0).Char = 'X';
    changed.At(2, 0).Char = 'Y';
    EXPECT_EQ(Render(mixed, changed), "\x1b[H\x1b[0;37;40mX\x1b[CY");
}

TEST(FrameRenderer, CursorFollowsTheFrame) {
    const Frame before = Blank(10, 3);
    const auto with = [&](auto change) {
        Frame frame = before;
        change(frame);
        return frame;
    };
    EXPECT_EQ(Render(before, with([](Frame& f) { f.CursorX = 4, f.CursorY = 2; })), "\x1b[3;5H");
    EXPECT_EQ(Render(before, with([](Frame& f) { f.CursorY = 2; })), "\x1b[3H");
    EXPECT_EQ(Render(with([](Frame& f) { f.CursorY = 1; }),
                     with([](Frame& f) { f.CursorX = 8, f.CursorY = 1; })),
              "\x1b[8C");
    // One past the last column, where the console leaves it after a full line, and below the
    // last row: shown in the nearest cell.
    EXPECT_EQ(Render(before, with([](Frame& f) { f.CursorX = 10, f.CursorY = 1; })), "\x1b[2;10H");
    EXPECT_EQ(Render(before, with([](Frame& f) { f.CursorX = 3, f.CursorY = 7; })), "\x1b[3;4H");

    const Frame hidden = with([](Frame& f) { f.CursorVisible = false; });
    EXPECT_EQ(Render(before, hidden), "\x1b[?25l");
    EXPECT_EQ(Render(hidden, with([](Frame& f) { f.CursorX = 4, f.CursorY = 2; })),
              "\x1b[3;5H\x1b[?25h");

    const Frame block = with([](Frame& f) { f.CursorSize = 100; });
    EXPECT_EQ(Render(before, block), "\x1b[1 q");
    EXPECT_EQ(Render(block, with([](Frame& f) { f.CursorSize = 49; })), "\x1b[3 q");
    // A terminal whose shape could not be learnt keeps it, a full frame included.
    RenderOptions keep;
    keep.CursorShapes = false;
    EXPECT_EQ(Render(before, block, keep), "");
    EXPECT_EQ(Render(Frame{}, block, keep).find(" q"), std::string::npos);
}

TEST(FrameRenderer, ClipsToASmallerTerminal) {
    Frame frame = Text({"abcd", "efgh", "ijkl"});
    frame.CursorX = 3, frame.CursorY = 2;
    const RenderOptions small{.Columns = 2, .Rows = 2};
    EXPECT_EQ(Render(Frame{}, frame, small),
              "\x1b[?25l\x1b[0;37;40m\x1b[2J\x1b[Hab\x1b[2Hef\x1b[3 q\x1b[2;2H\x1b[?25h");

    Frame outside = frame;
    outside.At(3, 0).Char = 'Z';
    outside.At(0, 2).Char = 'Z';
    EXPECT_EQ(Render(frame, outside, small), "");

    // A frame smaller than the terminal is drawn whole, the rest of the screen left alone.
    TerminalModel model(6, 5);
    ASSERT_TRUE(model.Feed(Render(Frame{}, frame, {.Columns = 6, .Rows = 5})));
    EXPECT_TRUE(Shows(model, frame));
    EXPECT_EQ(model.Printed, 12);
}

TEST(FrameRenderer, SynchronizedOutputWrapsTheFrame) {
    Frame before = Blank(2, 1);
    before.CursorVisible = false;
    Frame after = before;
    after.At(0, 0).Char = 'x';
    EXPECT_EQ(Render(before, after, {.Synchronized = true}),
              "\x1b[?2026h\x1b[H\x1b[0;37;40mx\x1b[?2026l");
}

TEST(FrameRenderer, ManyChangesHideTheCursorWhileDrawing) {
    const Frame before = Blank(50, 1);
    const Frame after = Text({std::string(50, 'x')});
    EXPECT_EQ(Render(before, after),
              "\x1b[?25l\x1b[0;37;40m" + std::string(50, 'x') + "\x1b[H\x1b[?25h");
    // Synchronized output already keeps the cursor from running across the screen.
    EXPECT_EQ(Render(before, after, {.Synchronized = true}),
              "\x1b[?2026h\x1b[0;37;40m" + std::string(50, 'x') + "\x1b[H\x1b[?2026l");
}

TEST(FrameRenderer, CellBytesNeverBecomeControlBytes) {
    const uint8_t bytes[] = {0x07, 0x1B, 0x9B, 0x0D, 0x0A, 0x00, 0x7F, 0x08};
    const char32_t glyphs[] = {U'\u2022', U'\u2190', U'\u042B', U'\u266A',
                               U'\u25D9', U' ',      U'\u2302', U'\u25D8'};
    Frame frame = Blank(8, 1);
    for (int x = 0; x < 8; ++x)
        frame.At(x, 0).Char = bytes[x];
    TerminalModel model(8, 1);
    ASSERT_TRUE(model.Feed(Render(Frame{}, frame)));
    for (int x = 0; x < 8; ++x)
        EXPECT_EQ(model.At(x, 0).Glyph, glyphs[x]) << "byte " << int(bytes[x]);
}

TEST(FrameRenderer, OtherCharsetsTakeTheTableBytes) {
    std::array<std::string, 256> table;
    for (int b = 0x20; b < 256; ++b)
        table[b] = std::string(1, static_cast<char>(b));
    table[0x01] = "\x01";   // a converter passing a control byte through
    table[0x02] = "";       // a glyph the character set lacks
    table[0x10] = "\x1b[H"; // anything with a control byte in it
    Frame before = Blank(5, 1);
    before.CursorVisible = false;
    Frame after = before;
    const uint8_t cells[] = {'A', 0x01, 0x02, 0x10, 0x80};
    for (int x = 0; x < 5; ++x)
        after.At(x, 0).Char = cells[x];
    EXPECT_EQ(Render(before, after, {.GlyphBytes = &table}), "\x1b[H\x1b[0;37;40mA???\x80");
}

// Random frames drawn one after another on one model terminal: any slip in what the renderer
// believes the terminal shows, or where its cursor is, shows up as a wrong cell.
TEST(FrameRenderer, RandomFrameSequencesReproduceEachFrame) {
    std::mt19937 rng(20240611);
    const auto pick = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(rng);
    };
    static constexpr uint8_t Alphabet[] = {' ',  'a',  'b',  0x00, 0x07, 0x0A, 0x0D,
                                           0x1B, 0x7F, 0x9B, 0xB0, 0xDB, 0xFF};
    static constexpr uint16_t Attrs[] = {0x07, 0x17, 0x70, 0x1E, 0x0F};
    const auto randomCell = [&] {
        Cell cell;
        cell.Char = pick(0, 3) == 0 ? static_cast<uint8_t>(pick(0, 255))
                                    : Alphabet[pick(0, std::size(Alphabet) - 1)];
        cell.Attr = pick(0, 2) == 0 ? static_cast<uint16_t>(pick(0, 0xFFFF))
                                    : Attrs[pick(0, std::size(Attrs) - 1)];
        return cell;
    };
    const auto randomFrame = [&] {
        Frame frame;
        frame.Resize(pick(1, 16), pick(1, 8));
        for (Cell& cell : frame.Cells)
            cell = randomCell();
        return frame;
    };

    for (int session = 0; session < 80; ++session) {
        const RenderOptions options{
            .Columns = pick(1, 14), .Rows = pick(1, 7), .Synchronized = pick(0, 1) == 1};
        TerminalModel model(options.Columns, options.Rows);
        Frame shown;
        Frame next = randomFrame();
        for (int step = 0; step < 30; ++step) {
            SCOPED_TRACE(testing::Message() << "session " << session << " step " << step);
            const std::string out = Render(pick(0, 19) == 0 ? Frame{} : shown, next, options);
            ASSERT_TRUE(model.Feed(out)) << testing::PrintToString(out);
            ASSERT_TRUE(Shows(model, next)) << testing::PrintToString(out);
            ASSERT_EQ(Render(next, next, options), "");
            shown = next;

            const int kind = pick(0, 9);
            if (kind == 0) {
                next = randomFrame();
            } else if (kind == 1) {
                for (Cell& cell : next.Cells) // a whole new screen of the same size
                    cell = randomCell();
            } else {
                const int changes =
                    pick(0, 3) == 0 ? pick(0, next.Width * next.Height) : pick(0, 3);
                for (int i = 0; i < changes; ++i)
                    next.Cells[pick(0, next.Width * next.Height - 1)] = randomCell();
            }
            if (pick(0, 2) == 0) {
                next.CursorX = pick(-1, next.Width + 1);
                next.CursorY = pick(-1, next.Height);
            }
            if (pick(0, 4) == 0)
                next.CursorVisible = !next.CursorVisible;
            if (pick(0, 4) == 0)
                next.CursorSize = pick(1, 100);
        }
    }
}

} // namespace
} // namespace tolmix::vt
