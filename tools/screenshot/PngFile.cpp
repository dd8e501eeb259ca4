#include "PngFile.h"

#include <fstream>
#include <zlib.h>

namespace tolmix::shot {

namespace {

void Be32(std::string& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out += static_cast<char>(value >> shift & 0xFF);
}

// Length, type, data, and the CRC of type and data.
void Chunk(std::string& out, const char* type, const std::string& data) {
    Be32(out, static_cast<uint32_t>(data.size()));
    const std::string typed = std::string(type, 4) + data;
    out += typed;
    Be32(out, static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(typed.data()),
                                          static_cast<uInt>(typed.size()))));
}

} // namespace

std::string EncodePng(const RgbImage& image) {
    std::string png("\x89PNG\r\n\x1a\n", 8);
    std::string header;
    Be32(header, static_cast<uint32_t>(image.width));
    Be32(header, static_cast<uint32_t>(image.height));
    header += '\x08';               // bits per channel
    header += '\x02';               // colour type: RGB
    header += std::string(3, '\0'); // deflate, adaptive filtering, no interlace
    Chunk(png, "IHDR", header);

    // Every row starts with its filter byte, 0: none.
    const std::size_t stride = static_cast<std::size_t>(image.width) * 3;
    std::string raw;
    raw.reserve((stride + 1) * static_cast<std::size_t>(image.height));
    for (int y = 0; y < image.height; ++y) {
        raw += '\0';
        raw.append(reinterpret_cast<const char*>(image.pixels.data()) +
                       static_cast<std::size_t>(y) * stride,
                   stride);
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::string packed(packedSize, '\0');
    compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize,
              reinterpret_cast<const Bytef*>(raw.data()), static_cast<uLong>(raw.size()), 9);
    packed.resize(packedSize);
    Chunk(png, "IDAT", packed);
    Chunk(png, "IEND", "");
    return png;
}

bool WritePng(const RgbImage& image, const std::string& path) {
    const std::string png = EncodePng(image);
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(png.data(), static_cast<std::streamsize>(png.size()));
    return static_cast<bool>(file.flush());
}

} // namespace tolmix::shot
