// The screenshot tool's parts: the PNG it writes, the console fonts it reads, the cells it draws.
#include "PngFile.h"
#include "PsfFont.h"
#include "ScreenImage.h"

#include <gtest/gtest.h>
#include <zlib.h>

namespace tolmix::shot {
namespace {

uint32_t Be32(const std::string& bytes, std::size_t at) {
    uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        value = value << 8 | static_cast<uint8_t>(bytes[at + i]);
    return value;
}

struct PngChunk {
    std::string type;
    std::string data;
    bool crcRight = false;
};

std::vector<PngChunk> Chunks(const std::string& png) {
    std::vector<PngChunk> chunks;
    for (std::size_t at = 8; at + 12 <= png.size();) {
        const uint32_t length = Be32(png, at);
        PngChunk chunk{png.substr(at + 4, 4), png.substr(at + 8, length)};
        const std::string typed = png.substr(at + 4, 4 + length);
        chunk.crcRight =
            Be32(png, at + 8 + length) ==
            crc32(0, reinterpret_cast<const Bytef*>(typed.data()), static_cast<uInt>(typed.size()));
        chunks.push_back(chunk);
        at += 12 + length;
    }
    return chunks;
}

TEST(PngFile, TheChunksAreWellFormedAndThePixelsComeBack) {
    RgbImage image(3, 2);
    image.Set(0, 0, 0xFF0000);
    image.Set(2, 1, 0x00A0FF);
    const std::string png = EncodePng(image);
    ASSERT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    const auto chunks = Chunks(png);
    ASSERT_EQ(chunks.size(), 3u);
    EXPECT_EQ(chunks[0].type, "IHDR");
    EXPECT_EQ(chunks[1].type, "IDAT");
    EXPECT_EQ(chunks[2].type, "IEND");
    for (const auto& chunk : chunks)
        EXPECT_TRUE(chunk.crcRight) << chunk.type;
    EXPECT_EQ(Be32(chunks[0].data, 0), 3u);
    EXPECT_EQ(Be32(chunks[0].data, 4), 2u);
    EXPECT_EQ(chunks[0].data.substr(8), std::string("\x08\x02\0\0\0", 5));

    std::string raw(2 * (1 + 9), '\x55');
    uLongf rawSize = raw.size();
    ASSERT_EQ(uncompress(reinterpret_cast<Bytef*>(raw.data()), &rawSize,
                         reinterpret_cast<const Bytef*>(chunks[1].data.data()),
                         chunks[1].data.size()),
              Z_OK);
    ASSERT_EQ(rawSize, raw.size());
    EXPECT_EQ(raw, std::string("\0\xFF\0\0\0\0\0\0\0\0"
                               "\0\0\0\0\0\0\0\0\xA0\xFF",
                               20));
}

// A PSF 2 font of 8x2 glyphs: glyph 0 "?" (top row set), glyph 1 "A" and "Ж" (a diagonal),
// then a sequence that no single cell uses.
std::string SmallPsf2() {
    std::string font;
    const auto le32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i)
            font += static_cast<char>(v >> (8 * i) & 0xFF);
    };
    le32(0x864AB572);
    le32(0);                            // version
    le32(32);                           // header size
    le32(1);                            // flags: Unicode table
    le32(2);                            // glyphs
    le32(2);                            // bytes per glyph
    le32(2);                            // height
    le32(8);                            // width
    font += std::string("\xFF\x00", 2); // "?"
    font += std::string("\x80\x40", 2); // "A", "Ж"
    font += "?\xFF";
    font += "A\xD0\x96\xFE"
            "e\xCC\x81\xFF";
    return font;
}

TEST(PsfFont, GlyphsAreFoundByCharacterAndMissingOnesFallBackToTheQuestionMark) {
    std::string error;
    const auto font = PsfFont::Parse(SmallPsf2(), error);
    ASSERT_TRUE(font.has_value()) << error;
    EXPECT_EQ(font->Width(), 8);
    EXPECT_EQ(font->Height(), 2);
    EXPECT_TRUE(font->Pixel(U'A', 0, 0));
    EXPECT_FALSE(font->Pixel(U'A', 1, 0));
    EXPECT_TRUE(font->Pixel(U'Ж', 1, 1));
    EXPECT_FALSE(font->Has(U'e')); // only inside a sequence
    EXPECT_TRUE(font->Pixel(U'z', 7, 0));
    EXPECT_FALSE(font->Pixel(U'z', 7, 1));
    EXPECT_FALSE(font->Pixel(U'A', 8, 0)); // outside the glyph

    EXPECT_FALSE(PsfFont::Parse("not a font at all, really", error));
    EXPECT_FALSE(PsfFont::Parse(SmallPsf2().substr(0, 34), error)); // glyphs cut off
}

TEST(PsfFont, APsf1FontFromTheConsolePackageHasCyrillicAndBoxDrawing) {
    std::string error;
    const auto font = PsfFont::Load("/usr/share/consolefonts/Uni2-VGA16.psf.gz", error);
    ASSERT_TRUE(font.has_value()) << error;
    EXPECT_EQ(font->Width(), 8);
    EXPECT_EQ(font->Height(), 16);
    EXPECT_TRUE(font->Has(U'Ж'));
    EXPECT_TRUE(font->Has(U'ё'));
    EXPECT_TRUE(font->Has(U'─'));
    // The horizontal line is drawn across the whole cell.
    int row = -1;
    for (int y = 0; y < 16 && row < 0; ++y)
        if (font->Pixel(U'─', 0, y) && font->Pixel(U'─', 7, y))
            row = y;
    EXPECT_GE(row, 0);
}

TEST(ScreenImage, CellsAreDrawnInTheirConsoleColours) {
    std::string error;
    const auto font = PsfFont::Parse(SmallPsf2(), error);
    ASSERT_TRUE(font.has_value()) << error;
    e2e::TerminalModel screen(2, 1, [](std::string_view) {});
    screen.Feed("\x1b[?25l\x1b[31;44mA\x1b[0m ");
    Palette palette{};
    for (std::size_t i = 0; i < palette.size(); ++i)
        palette[i] = 0x010101 * static_cast<uint32_t>(i);
    const RgbImage image = DrawScreen(screen, *font, palette);
    ASSERT_EQ(image.width, 16);
    ASSERT_EQ(image.height, 2);
    const auto at = [&](int x, int y) {
        const std::size_t i = static_cast<std::size_t>((y * image.width + x) * 3);
        return image.pixels[i];
    };
    // ANSI red is console colour 4, ANSI blue console colour 1.
    EXPECT_EQ(at(0, 0), 4);
    EXPECT_EQ(at(1, 0), 1);
    EXPECT_EQ(at(1, 1), 4);
    // The default colours are light grey on black: a blank shows black.
    EXPECT_EQ(at(8, 0), 0);
}

} // namespace
} // namespace tolmix::shot
