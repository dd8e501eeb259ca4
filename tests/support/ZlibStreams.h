#pragma once

// Compressed streams for the inflater's and the telnet reader's tests, fuzzers and benchmark,
// made with zlib itself (whoever includes this links zlib).
#include <zlib.h>

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tolmix::test {

// `data` as one zlib stream.
inline std::string Deflate(std::string_view data, int level = Z_DEFAULT_COMPRESSION) {
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    std::string stream(size, '\0');
    if (compress2(reinterpret_cast<Bytef*>(stream.data()), &size,
                  reinterpret_cast<const Bytef*>(data.data()), static_cast<uLong>(data.size()),
                  level) != Z_OK)
        throw std::runtime_error("compress2 failed");
    stream.resize(size);
    return stream;
}

// A zlib stream of `mebibytes` MiB of zero bytes, about a thousandth of that in size: one
// block of a MiB, compressed once and repeated (each ends byte-aligned and refers to nothing
// before it), then an empty last block and the checksum. Deflating it all would take seconds.
inline std::string ZeroBomb(std::size_t mebibytes) {
    constexpr std::size_t kMiB = 1 << 20;
    const std::string zeros(kMiB, '\0');
    z_stream z{};
    if (deflateInit2(&z, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2 failed");
    std::string block(deflateBound(&z, kMiB) + 16, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(zeros.data()));
    z.avail_in = kMiB;
    z.next_out = reinterpret_cast<Bytef*>(block.data());
    z.avail_out = static_cast<uInt>(block.size());
    const int rc = deflate(&z, Z_FULL_FLUSH);
    block.resize(block.size() - z.avail_out);
    deflateEnd(&z);
    if (rc != Z_OK || z.avail_in != 0)
        throw std::runtime_error("deflate failed");

    std::string stream = "\x78\x01"; // 32 KiB window, no dictionary
    stream.reserve(2 + block.size() * mebibytes + 9);
    uLong check = adler32(0, nullptr, 0);
    const uLong blockCheck =
        adler32(check, reinterpret_cast<const Bytef*>(zeros.data()), static_cast<uInt>(kMiB));
    for (std::size_t i = 0; i < mebibytes; ++i) {
        stream += block;
        check = adler32_combine(check, blockCheck, static_cast<z_off_t>(kMiB));
    }
    stream += std::string_view("\x01\x00\x00\xff\xff", 5); // the last block, stored and empty
    for (int shift = 24; shift >= 0; shift -= 8)
        stream += static_cast<char>((check >> shift) & 0xff);
    return stream;
}

} // namespace tolmix::test
