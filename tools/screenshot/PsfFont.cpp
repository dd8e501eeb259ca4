#include "PsfFont.h"

#include <zlib.h>

namespace tolmix::shot {

namespace {

uint32_t Le32(const std::string& bytes, std::size_t at) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = value << 8 | static_cast<uint8_t>(bytes[at + static_cast<std::size_t>(i)]);
    return value;
}

uint16_t Le16(const std::string& bytes, std::size_t at) {
    return static_cast<uint16_t>(static_cast<uint8_t>(bytes[at]) |
                                 static_cast<uint8_t>(bytes[at + 1]) << 8);
}

// One UTF-8 character of a PSF 2 Unicode table; false when it is malformed.
bool NextUtf8(const std::string& bytes, std::size_t& at, std::size_t end, char32_t& c) {
    const auto lead = static_cast<uint8_t>(bytes[at]);
    const int length = lead < 0x80         ? 1
                       : (lead >> 5) == 6  ? 2
                       : (lead >> 4) == 14 ? 3
                       : (lead >> 3) == 30 ? 4
                                           : 0;
    if (length == 0 || at + static_cast<std::size_t>(length) > end)
        return false;
    c = length == 1 ? lead : lead & (0x7F >> length);
    for (int i = 1; i < length; ++i)
        c = c << 6 | (static_cast<uint8_t>(bytes[at + static_cast<std::size_t>(i)]) & 0x3F);
    at += static_cast<std::size_t>(length);
    return true;
}

} // namespace

std::optional<PsfFont> PsfFont::Load(const std::string& path, std::string& error) {
    // gzread reads plain files as they are, too.
    gzFile file = gzopen(path.c_str(), "rb");
    if (!file) {
        error = "cannot open " + path;
        return std::nullopt;
    }
    std::string bytes;
    char buffer[65536];
    int n = 0;
    while ((n = gzread(file, buffer, sizeof buffer)) > 0 && bytes.size() < (16u << 20))
        bytes.append(buffer, static_cast<std::size_t>(n));
    gzclose(file);
    if (n < 0) {
        error = "cannot read " + path;
        return std::nullopt;
    }
    return Parse(bytes, error);
}

std::optional<PsfFont> PsfFont::Parse(const std::string& bytes, std::string& error) {
    PsfFont font;
    std::size_t glyphs = 0;
    std::size_t glyphBytes = 0;
    std::size_t header = 0;
    bool psf2 = false;
    if (bytes.size() >= 4 && static_cast<uint8_t>(bytes[0]) == 0x36 &&
        static_cast<uint8_t>(bytes[1]) == 0x04) {
        const auto mode = static_cast<uint8_t>(bytes[2]);
        if (!(mode & 0x02)) {
            error = "the font has no Unicode table";
            return std::nullopt;
        }
        glyphs = mode & 0x01 ? 512 : 256;
        glyphBytes = static_cast<uint8_t>(bytes[3]);
        header = 4;
        font.GlyphWidth = 8;
        font.GlyphHeight = static_cast<int>(glyphBytes);
    } else if (bytes.size() >= 32 && Le32(bytes, 0) == 0x864AB572) {
        psf2 = true;
        header = Le32(bytes, 8);
        if (!(Le32(bytes, 12) & 0x01)) {
            error = "the font has no Unicode table";
            return std::nullopt;
        }
        glyphs = Le32(bytes, 16);
        glyphBytes = Le32(bytes, 20);
        font.GlyphHeight = static_cast<int>(Le32(bytes, 24));
        font.GlyphWidth = static_cast<int>(Le32(bytes, 28));
    } else {
        error = "not a PSF font";
        return std::nullopt;
    }
    font.RowBytes = (font.GlyphWidth + 7) / 8;
    if (glyphs == 0 || glyphs > 65536 || font.GlyphWidth <= 0 || font.GlyphWidth > 64 ||
        font.GlyphHeight <= 0 || font.GlyphHeight > 128 ||
        glyphBytes != static_cast<std::size_t>(font.RowBytes * font.GlyphHeight) ||
        header + glyphs * glyphBytes > bytes.size()) {
        error = "a damaged PSF font";
        return std::nullopt;
    }
    font.Bitmaps = bytes.substr(header, glyphs * glyphBytes);

    // The Unicode table: for each glyph its characters, then (after a start mark) sequences,
    // which a cell of one character never needs, up to the glyph's end mark.
    std::size_t at = header + glyphs * glyphBytes;
    for (uint32_t glyph = 0; glyph < glyphs && at < bytes.size(); ++glyph) {
        bool sequences = false;
        while (at < bytes.size()) {
            if (psf2) {
                const auto b = static_cast<uint8_t>(bytes[at]);
                if (b == 0xFF) {
                    ++at;
                    break;
                }
                if (b == 0xFE) {
                    sequences = true;
                    ++at;
                    continue;
                }
                char32_t c = 0;
                if (!NextUtf8(bytes, at, bytes.size(), c)) {
                    ++at;
                    continue;
                }
                if (!sequences)
                    font.Glyphs.emplace(c, glyph);
            } else {
                if (at + 2 > bytes.size()) {
                    at = bytes.size();
                    break;
                }
                const uint16_t c = Le16(bytes, at);
                at += 2;
                if (c == 0xFFFF)
                    break;
                if (c == 0xFFFE)
                    sequences = true;
                else if (!sequences)
                    font.Glyphs.emplace(c, glyph);
            }
        }
    }
    for (const char32_t replacement : {U'\uFFFD', U'?'}) {
        if (const auto found = font.Glyphs.find(replacement); found != font.Glyphs.end()) {
            font.Fallback = found->second;
            break;
        }
    }
    return font;
}

bool PsfFont::Pixel(char32_t c, int x, int y) const {
    if (x < 0 || y < 0 || x >= GlyphWidth || y >= GlyphHeight)
        return false;
    const auto found = Glyphs.find(c);
    const uint32_t glyph = found == Glyphs.end() ? Fallback : found->second;
    const std::size_t row =
        (static_cast<std::size_t>(glyph) * static_cast<std::size_t>(GlyphHeight) +
         static_cast<std::size_t>(y)) *
        static_cast<std::size_t>(RowBytes);
    const auto bits = static_cast<uint8_t>(Bitmaps[row + static_cast<std::size_t>(x / 8)]);
    return (bits >> (7 - x % 8)) & 1;
}

} // namespace tolmix::shot
