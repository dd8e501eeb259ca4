#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

// A Linux console bitmap font (PSF 1 or 2, optionally gzip-compressed, as the console-setup
// packages install them) with its Unicode table: one bit per pixel, rows of whole bytes.
namespace tolmix::shot {

class PsfFont {
  public:
    // Nothing, with `error` set, when the file cannot be read or is no PSF font with a
    // Unicode table.
    static std::optional<PsfFont> Load(const std::string& path, std::string& error);
    // The same from the file's bytes (already uncompressed).
    static std::optional<PsfFont> Parse(const std::string& bytes, std::string& error);

    int Width() const { return GlyphWidth; }
    int Height() const { return GlyphHeight; }
    bool Has(char32_t c) const { return Glyphs.contains(c); }
    // Whether pixel (x, y) of the glyph of `c` is set; a character without a glyph is drawn as
    // the font's replacement character or "?".
    bool Pixel(char32_t c, int x, int y) const;

  private:
    int GlyphWidth = 0;
    int GlyphHeight = 0;
    int RowBytes = 0;
    std::string Bitmaps;                           // every glyph, GlyphHeight rows each
    std::unordered_map<char32_t, uint32_t> Glyphs; // code point -> glyph index
    uint32_t Fallback = 0;
};

} // namespace tolmix::shot
