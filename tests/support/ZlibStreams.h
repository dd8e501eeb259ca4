#pragma once

// Compressed streams for the telnet tests, made with zlib itself.
#include <zlib.h>

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tolmix::test {

// `text` as one whole zlib stream.
inline std::string Deflate(std::string_view text) {
    uLongf size = compressBound(static_cast<uLong>(text.size()));
    std::string out(size, '\0');
    if (compress2(reinterpret_cast<Bytef*>(out.data()), &size,
                  reinterpret_cast<const Bytef*>(text.data()), static_cast<uLong>(text.size()),
                  Z_BEST_COMPRESSION) != Z_OK)
        throw std::runtime_error("compress2");
    out.resize(size);
    return out;
}

// A stream of `zeros` zero bytes, made a piece at a time so that they never exist at once.
inline std::string DeflateZeros(std::size_t zeros) {
    z_stream s{};
    if (deflateInit(&s, Z_BEST_COMPRESSION) != Z_OK)
        throw std::runtime_error("deflateInit");
    const std::string block(1 << 20, '\0');
    std::string out;
    std::string chunk(1 << 16, '\0');
    for (std::size_t left = zeros;;) {
        const std::size_t take = left < block.size() ? left : block.size();
        left -= take;
        s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(block.data()));
        s.avail_in = static_cast<uInt>(take);
        const int flush = left == 0 ? Z_FINISH : Z_NO_FLUSH;
        int code = Z_OK;
        do {
            s.next_out = reinterpret_cast<Bytef*>(chunk.data());
            s.avail_out = static_cast<uInt>(chunk.size());
            code = deflate(&s, flush);
            out.append(chunk.data(), chunk.size() - s.avail_out);
        } while (s.avail_out == 0);
        if (flush == Z_FINISH && code == Z_STREAM_END)
            break;
    }
    deflateEnd(&s);
    return out;
}

} // namespace tolmix::test
