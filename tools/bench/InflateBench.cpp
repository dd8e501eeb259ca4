// Inflated megabytes per second through ZlibInflater, as the link would drive it: compressed
// game text (the throughput burst's lines, deflated at zlib's default level) given in slices of
// 4 KiB, each inflated with a limit of 64 KiB per call and drained before the next slice.
// Beside it zlib's own one-shot uncompress of the same stream, the floor of what the inflater
// adds, and a stream of zeros (a bomb's worth: the highest ratio deflate has). The rates are of
// the process's CPU time, so that a machine busy with other work does not lower them. Run on
// demand.
#include "BenchSupport.h"
#include "net/ZlibInflater.h"
#include "support/ZlibStreams.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

using namespace tolmix;

namespace {

constexpr std::size_t kSlice = 4096;
constexpr std::size_t kLimit = 64 * 1024;
constexpr int kRounds = 5;

double CpuSeconds(std::clock_t since) {
    return std::max(1e-6, static_cast<double>(std::clock() - since) / CLOCKS_PER_SEC);
}

// The best of a few rounds: MB (10^6 bytes) inflated per second; 0 when the stream is not
// inflated whole.
double InflaterRate(const std::string& stream, std::size_t expected) {
    double best = 0.0;
    std::string out;
    out.reserve(kLimit);
    for (int round = 0; round < kRounds; ++round) {
        ZlibInflater inflater;
        std::size_t total = 0;
        InflateStatus status = InflateStatus::NeedMore;
        const std::clock_t start = std::clock();
        for (std::size_t at = 0; at < stream.size() && status == InflateStatus::NeedMore;
             at += kSlice) {
            status =
                inflater.Inflate(std::string_view(stream).substr(at, kSlice), out, kLimit).Status;
            total += out.size();
            out.clear();
            while (status == InflateStatus::NeedMore && inflater.HasPendingOutput()) {
                status = inflater.Inflate({}, out, kLimit).Status;
                total += out.size();
                out.clear();
            }
        }
        const double seconds = CpuSeconds(start);
        if (status != InflateStatus::Ended || total != expected)
            return 0.0;
        best = std::max(best, static_cast<double>(total) / 1e6 / seconds);
    }
    return best;
}

double UncompressRate(const std::string& stream, std::size_t expected) {
    double best = 0.0;
    std::string out(expected, '\0');
    for (int round = 0; round < kRounds; ++round) {
        uLongf size = static_cast<uLongf>(out.size());
        const std::clock_t start = std::clock();
        const int rc = uncompress(reinterpret_cast<Bytef*>(out.data()), &size,
                                  reinterpret_cast<const Bytef*>(stream.data()),
                                  static_cast<uLong>(stream.size()));
        const double seconds = CpuSeconds(start);
        if (rc != Z_OK || size != expected)
            return 0.0;
        best = std::max(best, static_cast<double>(size) / 1e6 / seconds);
    }
    return best;
}

} // namespace

int main(int argc, char** argv) {
    int mebibytes = 64;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--mebibytes") == 0 && i + 1 < argc) {
            mebibytes = std::atoi(argv[++i]);
        } else {
            mebibytes = 0;
            break;
        }
    }
    if (mebibytes <= 0 || mebibytes > 4096) {
        std::fprintf(stderr, "usage: InflateBench [--mebibytes N (1..4096, default 64)]\n");
        return 64;
    }
    const std::size_t bytes = static_cast<std::size_t>(mebibytes) << 20;

    std::string text;
    text.reserve(bytes + 128);
    for (int line = 1; text.size() < bytes; ++line)
        text += e2e::bench::BurstLine(line);
    text.resize(bytes);
    const std::string stream = test::Deflate(text);
    const std::string zeros = test::ZeroBomb(static_cast<std::size_t>(mebibytes));

    const double textRate = InflaterRate(stream, bytes);
    const double textFloor = UncompressRate(stream, bytes);
    const double zeroRate = InflaterRate(zeros, bytes);
    if (textRate == 0.0 || textFloor == 0.0 || zeroRate == 0.0) {
        std::fprintf(stderr, "InflateBench: a stream did not inflate whole\n");
        return 1;
    }
    std::printf("game text  %d MiB from %.1f MiB (ratio %.1f): %.0f MB/s through the inflater, "
                "%.0f MB/s zlib uncompress (%.0f%%)\n",
                mebibytes, static_cast<double>(stream.size()) / (1 << 20),
                static_cast<double>(bytes) / static_cast<double>(stream.size()), textRate,
                textFloor, 100.0 * textRate / textFloor);
    std::printf("zeros      %d MiB from %.1f KiB: %.0f MB/s through the inflater\n", mebibytes,
                static_cast<double>(zeros.size()) / 1024, zeroRate);
    return 0;
}
