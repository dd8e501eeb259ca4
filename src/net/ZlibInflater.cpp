#include "net/ZlibInflater.h"

#define ZLIB_CONST
#include <zlib.h>

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace tolmix {

namespace {

// Output is written in pieces of at most this size, so that a huge limit never makes a huge
// buffer at once.
constexpr std::size_t kPiece = 64 * 1024;
// A held buffer larger than this is given back once it is read.
constexpr std::size_t kKeepHeld = 64 * 1024;
// Each block zlib allocates starts with its size, so that its release can be counted.
constexpr std::size_t kBlockHeader = alignof(std::max_align_t);
static_assert(kBlockHeader >= sizeof(std::size_t));

voidpf Allocate(voidpf opaque, uInt items, uInt size) {
    if (size != 0 && items > (SIZE_MAX - kBlockHeader) / size)
        return Z_NULL;
    const std::size_t bytes = static_cast<std::size_t>(items) * size;
    auto* block = static_cast<unsigned char*>(std::malloc(bytes + kBlockHeader));
    if (block == nullptr)
        return Z_NULL;
    std::memcpy(block, &bytes, sizeof bytes);
    *static_cast<std::size_t*>(opaque) += bytes;
    return block + kBlockHeader;
}

void Release(voidpf opaque, voidpf address) {
    if (address == Z_NULL)
        return;
    auto* block = static_cast<unsigned char*>(address) - kBlockHeader;
    std::size_t bytes = 0;
    std::memcpy(&bytes, block, sizeof bytes);
    *static_cast<std::size_t*>(opaque) -= bytes;
    std::free(block);
}

// Gives a string's memory back (moving an empty string in may keep it).
void GiveBack(std::string& s) {
    std::string().swap(s);
}

uInt Clamp(std::size_t n) {
    return static_cast<uInt>(std::min<std::size_t>(n, UINT_MAX));
}

} // namespace

struct ZlibInflater::Stream {
    z_stream Z{};
    std::size_t Allocated = 0;
    bool Ready = false;

    Stream() {
        Z.zalloc = Allocate;
        Z.zfree = Release;
        Z.opaque = &Allocated;
        Ready = inflateInit(&Z) == Z_OK;
    }
    ~Stream() {
        if (Ready)
            inflateEnd(&Z);
    }
};

ZlibInflater::ZlibInflater() : Z(std::make_unique<Stream>()) {
    if (!Z->Ready) {
        Failed = true;
        Message = "out of memory";
    }
}

ZlibInflater::~ZlibInflater() = default;

std::string_view ZlibInflater::HeldBytes() const {
    return std::string_view(Held).substr(HeldStart);
}

void ZlibInflater::Hold(std::string_view bytes) {
    if (HeldStart > 0 && HeldStart >= Held.size() / 2) {
        Held.erase(0, HeldStart);
        HeldStart = 0;
    }
    Held.append(bytes);
}

InflateResult ZlibInflater::Inflate(std::string_view input, std::string& output,
                                    std::size_t limit) {
    if (Failed)
        return {InflateStatus::Corrupt, 0};
    if (StreamEnded && !HasLookahead) {
        // The end was reported already: what the caller was given then is no longer ours.
        Trailing.clear();
        return {InflateStatus::Ended, 0};
    }
    std::size_t produced = 0;
    if (HasLookahead && limit > 0) {
        output += Lookahead;
        HasLookahead = false;
        produced = 1;
    }
    if (StreamEnded) {
        if (!HasLookahead)
            return {InflateStatus::Ended, 0};
        Trailing.append(input);
        return {InflateStatus::NeedMore, input.size()};
    }

    // The bytes to read: those held from earlier slices, then this slice.
    const std::size_t before = Held.size() - HeldStart;
    std::string_view source = input;
    if (before > 0) {
        Hold(input);
        source = HeldBytes();
    }

    z_stream& z = Z->Z;
    const auto* next = reinterpret_cast<const Bytef*>(source.data());
    std::size_t left = source.size();
    int rc = Z_OK;
    bool dry = false; // zlib stopped for want of input, not of room
    while (produced < limit) {
        const std::size_t room = std::min(limit - produced, kPiece);
        const std::size_t start = output.size();
        output.resize(start + room);
        z.next_in = next;
        z.avail_in = Clamp(left);
        const uInt offered = z.avail_in;
        z.next_out = reinterpret_cast<Bytef*>(output.data() + start);
        z.avail_out = static_cast<uInt>(room);
        rc = inflate(&z, Z_NO_FLUSH);
        const std::size_t read = offered - z.avail_in;
        const std::size_t made = room - z.avail_out;
        next += read;
        left -= read;
        output.resize(start + made);
        produced += made;
        if (rc != Z_OK && rc != Z_BUF_ERROR)
            break;
        if (z.avail_out != 0 && (left == 0 || read == 0)) {
            dry = true;
            break;
        }
    }
    // The limit is reached: one more byte tells whether output is withheld.
    if ((rc == Z_OK || rc == Z_BUF_ERROR) && !dry && !HasLookahead) {
        z.next_in = next;
        z.avail_in = Clamp(left);
        const uInt offered = z.avail_in;
        z.next_out = reinterpret_cast<Bytef*>(&Lookahead);
        z.avail_out = 1;
        rc = inflate(&z, Z_NO_FLUSH);
        const std::size_t read = offered - z.avail_in;
        next += read;
        left -= read;
        HasLookahead = z.avail_out == 0;
    }
    const std::size_t read = source.size() - left;

    if (rc == Z_STREAM_END) {
        StreamEnded = true;
        std::size_t consumed = 0;
        if (HasLookahead) {
            // A byte of output is still to come: the plain bytes wait with it.
            Trailing.assign(source.substr(read));
            consumed = input.size();
        } else if (read < before) {
            Trailing.assign(source.substr(read, before - read));
        } else {
            consumed = read - before;
        }
        GiveBack(Held);
        HeldStart = 0;
        return {HasLookahead ? InflateStatus::NeedMore : InflateStatus::Ended, consumed};
    }
    if (rc != Z_OK && rc != Z_BUF_ERROR) {
        Failed = true;
        HasLookahead = false;
        if (rc == Z_NEED_DICT)
            Message = "preset dictionary asked for";
        else if (z.msg != nullptr)
            Message = z.msg;
        else if (rc == Z_MEM_ERROR)
            Message = "out of memory";
        else
            Message = "inflate failed";
        GiveBack(Held);
        HeldStart = 0;
        return {InflateStatus::Corrupt, read > before ? read - before : 0};
    }

    // Keep what zlib has not read yet.
    if (before > 0)
        HeldStart += read;
    else
        Hold(input.substr(read));
    if (HeldStart == Held.size()) {
        HeldStart = 0;
        if (Held.capacity() > kKeepHeld)
            GiveBack(Held);
        else
            Held.clear();
    }
    return {InflateStatus::NeedMore, input.size()};
}

std::size_t ZlibInflater::MemoryInUse() const {
    return sizeof(*this) + sizeof(Stream) + Z->Allocated + Held.capacity() + Trailing.capacity() +
           Message.capacity();
}

void ZlibInflater::Reset() {
    GiveBack(Held);
    HeldStart = 0;
    GiveBack(Trailing);
    Message.clear();
    HasLookahead = false;
    StreamEnded = false;
    Failed = false;
    if (Z->Ready) {
        inflateReset(&Z->Z);
    } else {
        Z = std::make_unique<Stream>();
        if (!Z->Ready) {
            Failed = true;
            Message = "out of memory";
        }
    }
}

} // namespace tolmix
