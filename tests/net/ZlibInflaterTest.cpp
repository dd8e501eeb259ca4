#include "net/ZlibInflater.h"
#include "support/ZlibStreams.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>

namespace tolmix {
namespace {

using test::Deflate;

// Game-like lines with enough variety that the stream holds literals, matches and more than one
// block.
std::string SampleText(std::size_t bytes) {
    std::string text;
    uint32_t seed = 12345;
    while (text.size() < bytes) {
        seed = seed * 1103515245u + 12345u;
        text += "\x1b[1;3" + std::to_string(seed % 8) + "m" + std::to_string(seed >> 8) +
                " \xc2\xfb \xe2\xe8\xe4\xe8\xf2\xe5 (" + std::to_string(seed % 977) +
                ") the guard\r\n";
    }
    text.resize(bytes);
    return text;
}

// What a caller gets from a whole conversation: the inflated text and the plain bytes after the
// stream's end, feeding slices of `step` bytes and asking for `limit` bytes at a time.
struct Conversation {
    std::string Inflated;
    std::string Plain;
    InflateStatus Last = InflateStatus::NeedMore;
    std::size_t Calls = 0;
    std::size_t LargestPiece = 0;
};

Conversation Converse(std::string_view wire, std::size_t step, std::size_t limit) {
    Conversation c;
    ZlibInflater inflater;
    bool compressed = true;
    auto call = [&](std::string_view slice) {
        const std::size_t before = c.Inflated.size();
        const InflateResult r = inflater.Inflate(slice, c.Inflated, limit);
        ++c.Calls;
        c.LargestPiece = std::max(c.LargestPiece, c.Inflated.size() - before);
        c.Last = r.Status;
        if (r.Status == InflateStatus::Ended) {
            compressed = false;
            c.Plain += inflater.TrailingInput();
            c.Plain += slice.substr(r.Consumed);
        } else {
            EXPECT_EQ(r.Consumed, slice.size());
        }
        return r.Status;
    };
    for (std::size_t at = 0; at < wire.size(); at += step) {
        const std::string_view slice = wire.substr(at, step);
        if (!compressed) {
            c.Plain += slice;
            continue;
        }
        if (call(slice) == InflateStatus::Corrupt)
            return c;
        while (compressed && inflater.HasPendingOutput())
            call({});
    }
    return c;
}

TEST(ZlibInflater, OneByteSlicesGiveTheWholeTextAndTheLastByteEndsIt) {
    const std::string text = SampleText(20000);
    const std::string stream = Deflate(text);
    ZlibInflater inflater;
    std::string out;
    for (std::size_t i = 0; i < stream.size(); ++i) {
        const InflateResult r = inflater.Inflate(stream.substr(i, 1), out, 1 << 20);
        ASSERT_EQ(r.Status, i + 1 < stream.size() ? InflateStatus::NeedMore : InflateStatus::Ended)
            << "at byte " << i;
        EXPECT_EQ(r.Consumed, 1u);
    }
    EXPECT_EQ(out, text);
    EXPECT_FALSE(inflater.HasPendingOutput());
    // After the end nothing more is taken.
    const InflateResult after = inflater.Inflate("plain", out, 100);
    EXPECT_EQ(after.Status, InflateStatus::Ended);
    EXPECT_EQ(after.Consumed, 0u);
    EXPECT_EQ(out, text);
}

TEST(ZlibInflater, PlainBytesAfterTheEndAreHandedBack) {
    const std::string text = SampleText(5000);
    const std::string stream = Deflate(text);
    const std::string plain = "\xff\xfb\x56You see a tree.\r\n";

    // In the slice that ends the stream.
    ZlibInflater inflater;
    std::string out;
    const InflateResult r = inflater.Inflate(stream + plain, out, 1 << 20);
    EXPECT_EQ(r.Status, InflateStatus::Ended);
    EXPECT_EQ(r.Consumed, stream.size());
    EXPECT_EQ(out, text);
    EXPECT_TRUE(inflater.TrailingInput().empty());

    // Taken while output was withheld: the plain bytes come back through TrailingInput.
    ZlibInflater limited;
    std::string piecewise;
    InflateResult last = limited.Inflate(stream + plain, piecewise, 64);
    EXPECT_EQ(last.Status, InflateStatus::NeedMore);
    EXPECT_EQ(last.Consumed, stream.size() + plain.size());
    while (limited.HasPendingOutput())
        last = limited.Inflate({}, piecewise, 64);
    EXPECT_EQ(last.Status, InflateStatus::Ended);
    EXPECT_EQ(last.Consumed, 0u);
    EXPECT_EQ(piecewise, text);
    EXPECT_EQ(limited.TrailingInput(), plain);
    // Reported once: a later call owns none of it.
    EXPECT_EQ(limited.Inflate("x", piecewise, 64).Status, InflateStatus::Ended);
    EXPECT_TRUE(limited.TrailingInput().empty());
}

TEST(ZlibInflater, AnySliceSizeAndLimitGiveTheSameTextAndPlainRest) {
    const std::string text = SampleText(3000);
    const std::string plain = "Idle too long, bye!";
    const std::string wire = Deflate(text) + plain;
    for (const std::size_t step : {1u, 2u, 3u, 5u, 7u, 64u, 100000u}) {
        for (const std::size_t limit : {1u, 7u, 300u, 4096u, 1u << 20}) {
            const Conversation c = Converse(wire, step, limit);
            EXPECT_EQ(c.Last, InflateStatus::Ended) << step << "/" << limit;
            EXPECT_EQ(c.Inflated, text) << step << "/" << limit;
            EXPECT_EQ(c.Plain, plain) << step << "/" << limit;
            EXPECT_LE(c.LargestPiece, limit);
        }
    }
}

TEST(ZlibInflater, CorruptStreamsSayWhyAndStaySo) {
    const std::string text = SampleText(4000);
    const std::string stream = Deflate(text);
    std::string out;

    ZlibInflater notZlib;
    EXPECT_EQ(notZlib.Inflate("Hello, world!\r\n", out, 1000).Status, InflateStatus::Corrupt);
    EXPECT_EQ(notZlib.Error(), "incorrect header check");

    std::string badBlock = stream;
    badBlock[2] = static_cast<char>(badBlock[2] | 0x06); // block type 3 does not exist
    ZlibInflater blocked;
    EXPECT_EQ(blocked.Inflate(badBlock, out, 1000).Status, InflateStatus::Corrupt);
    EXPECT_EQ(blocked.Error(), "invalid block type");

    // A wrong checksum is found after all the text came out, even a byte at a time.
    std::string badCheck = stream;
    badCheck.back() = static_cast<char>(badCheck.back() ^ 1);
    const Conversation c = Converse(badCheck, 1, 100);
    EXPECT_EQ(c.Last, InflateStatus::Corrupt);
    EXPECT_EQ(c.Inflated, text);
    ZlibInflater checked;
    out.clear();
    EXPECT_EQ(checked.Inflate(badCheck, out, 1 << 20).Status, InflateStatus::Corrupt);
    EXPECT_EQ(checked.Error(), "incorrect data check");

    // Corrupt stays corrupt, taking and giving nothing, until a reset starts a new stream.
    out.clear();
    const InflateResult again = checked.Inflate(stream, out, 1 << 20);
    EXPECT_EQ(again.Status, InflateStatus::Corrupt);
    EXPECT_EQ(again.Consumed, 0u);
    EXPECT_TRUE(out.empty());
    checked.Reset();
    EXPECT_TRUE(checked.Error().empty());
    EXPECT_EQ(checked.Inflate(stream, out, 1 << 20).Status, InflateStatus::Ended);
    EXPECT_EQ(out, text);
}

TEST(ZlibInflater, OutputBeyondTheLimitWaitsForTheNextCalls) {
    const std::string text = SampleText(10000);
    const std::string stream = Deflate(text);
    ZlibInflater inflater;
    std::string out;
    InflateResult r = inflater.Inflate(stream, out, 300);
    EXPECT_EQ(r.Status, InflateStatus::NeedMore);
    EXPECT_EQ(r.Consumed, stream.size());
    EXPECT_EQ(out, text.substr(0, 300));
    EXPECT_TRUE(inflater.HasPendingOutput());
    std::size_t calls = 1;
    while (inflater.HasPendingOutput()) {
        const std::size_t before = out.size();
        r = inflater.Inflate({}, out, 300);
        ++calls;
        EXPECT_EQ(out.size() - before, std::min<std::size_t>(300, text.size() - before));
    }
    EXPECT_EQ(r.Status, InflateStatus::Ended);
    EXPECT_EQ(out, text);
    EXPECT_EQ(calls, 34u); // 33 * 300 + 100

    // Text of an exact multiple of the limit ends with its last piece, not one empty call later.
    const std::string even = SampleText(9000);
    ZlibInflater exact;
    std::string evenOut;
    calls = 0;
    do {
        r = exact.Inflate(calls == 0 ? Deflate(even) : std::string(), evenOut, 300);
        ++calls;
    } while (exact.HasPendingOutput());
    EXPECT_EQ(r.Status, InflateStatus::Ended);
    EXPECT_EQ(calls, 30u);
    EXPECT_EQ(evenOut, even);
}

TEST(ZlibInflater, InputGivenWhileOutputIsWithheldKeepsItsOrder) {
    const std::string text = SampleText(8000);
    const std::string stream = Deflate(text);
    const std::size_t half = stream.size() / 2;
    ZlibInflater inflater;
    std::string out;
    // A zero limit gives nothing but takes the input.
    InflateResult r = inflater.Inflate(std::string_view(stream).substr(0, half), out, 0);
    EXPECT_EQ(r.Status, InflateStatus::NeedMore);
    EXPECT_EQ(r.Consumed, half);
    EXPECT_TRUE(out.empty());
    EXPECT_TRUE(inflater.HasPendingOutput());
    r = inflater.Inflate(std::string_view(stream).substr(half), out, 100);
    EXPECT_EQ(out.size(), 100u);
    while (inflater.HasPendingOutput())
        r = inflater.Inflate({}, out, 1000);
    EXPECT_EQ(r.Status, InflateStatus::Ended);
    EXPECT_EQ(out, text);
}

TEST(ZlibInflater, ABombComesOutPieceByPieceInBoundedMemory) {
    constexpr std::size_t kMiB = 1 << 20;
    constexpr std::size_t kLimit = 64 * 1024;
    const std::string bomb = test::ZeroBomb(1024);
    ASSERT_LT(bomb.size(), 1100 * 1024u);
    ZlibInflater inflater;
    std::string out;
    InflateResult r = inflater.Inflate(bomb, out, kLimit);
    EXPECT_EQ(r.Consumed, bomb.size());
    std::size_t total = 0;
    std::size_t largest = 0;
    std::size_t peakMemory = inflater.MemoryInUse();
    bool onlyZeros = true;
    while (r.Status == InflateStatus::NeedMore) {
        total += out.size();
        largest = std::max(largest, out.size());
        onlyZeros = onlyZeros && out.find_first_not_of('\0') == std::string::npos;
        out.clear();
        peakMemory = std::max(peakMemory, inflater.MemoryInUse());
        if (!inflater.HasPendingOutput())
            break;
        r = inflater.Inflate({}, out, kLimit);
    }
    total += out.size();
    EXPECT_EQ(r.Status, InflateStatus::Ended);
    EXPECT_EQ(total, 1024 * kMiB);
    EXPECT_EQ(largest, kLimit);
    EXPECT_TRUE(onlyZeros);
    // The compressed bytes given, zlib's state and its 32 KiB window: never the gibibyte.
    EXPECT_LT(peakMemory, bomb.size() + 64 * 1024);
    // Once read, the held input is given back.
    EXPECT_LT(inflater.MemoryInUse(), 64 * 1024u);
}

} // namespace
} // namespace tolmix
