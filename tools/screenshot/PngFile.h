#pragma once

#include <cstdint>
#include <string>
#include <vector>

// An 8-bit RGB image and its PNG encoding (one IDAT, filter 0, zlib from libz).
namespace tolmix::shot {

struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels; // width * height * 3, rows top to bottom

    RgbImage(int w, int h) : width(w), height(h), pixels(static_cast<std::size_t>(w * h * 3)) {}
    void Set(int x, int y, uint32_t rgb) {
        const std::size_t at = (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                                static_cast<std::size_t>(x)) *
                               3;
        pixels[at] = static_cast<uint8_t>(rgb >> 16);
        pixels[at + 1] = static_cast<uint8_t>(rgb >> 8);
        pixels[at + 2] = static_cast<uint8_t>(rgb);
    }
};

// The PNG file's bytes.
std::string EncodePng(const RgbImage& image);
// Writes the PNG to `path`; false when the file cannot be written.
bool WritePng(const RgbImage& image, const std::string& path);

} // namespace tolmix::shot
