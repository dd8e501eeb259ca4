// The figures the benchmarks read from /proc and reduce to medians.
#include "../BenchSupport.h"

#include "e2e/harness/TempDir.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace tolmix::e2e {
namespace {

TEST(BenchSupportTest, StatusFieldTakesTheNamedLineOnly) {
    TempDir dir("tolmix-bench-test");
    const auto status = dir.WriteFile("status", "Name:\ttolmix-client\n"
                                                "VmPeak:\t   20480 kB\n"
                                                "VmHWM:\t    8396 kB\n"
                                                "nonvoluntary_ctxt_switches:\t77\n"
                                                "voluntary_ctxt_switches:\t12\n");
    EXPECT_EQ(bench::StatusField(status, "VmHWM:"), 8396);
    // A field whose name ends another's is not taken for it.
    EXPECT_EQ(bench::StatusField(status, "voluntary_ctxt_switches:"), 12);
    EXPECT_EQ(bench::StatusField(status, "VmRSS:"), std::nullopt);
    EXPECT_EQ(bench::StatusField(dir.Path() / "missing", "VmHWM:"), std::nullopt);
}

TEST(BenchSupportTest, OwnProcessFiguresAreRead) {
    const auto peak = bench::PeakRssKiB(getpid());
    ASSERT_TRUE(peak.has_value());
    EXPECT_GT(*peak, 0);
    const auto woken = bench::WakeUps(getpid());
    ASSERT_TRUE(woken.has_value());
    EXPECT_GE(*woken, 0);
    // A process that does not exist has none.
    EXPECT_EQ(bench::WakeUps(-1), std::nullopt);
}

TEST(BenchSupportTest, MediansAndPercentilesOfUnsortedValues) {
    EXPECT_EQ(bench::Median({}), 0.0);
    EXPECT_EQ(bench::Median({3.0, 1.0, 2.0}), 2.0);
    EXPECT_EQ(bench::Median({4.0, 1.0, 3.0, 2.0}), 2.5);
    std::vector<double> hundred;
    for (int i = 100; i >= 1; --i)
        hundred.push_back(i);
    EXPECT_EQ(bench::Percentile(hundred, 0.99), 99.0);
    EXPECT_EQ(bench::Percentile(hundred, 1.0), 100.0);
    EXPECT_EQ(bench::Percentile(hundred, 0.0), 1.0);
    EXPECT_EQ(bench::Percentile({7.0}, 0.99), 7.0);
}

TEST(BenchSupportTest, BurstLinesAreSeventyFiveBytesWithTheirNumber) {
    for (int number : {1, 6, 200000, 9999999}) {
        const std::string line = bench::BurstLine(number);
        EXPECT_EQ(line.size(), 75u) << number;
        EXPECT_EQ(line.substr(line.size() - 2), "\r\n");
        char digits[32];
        std::snprintf(digits, sizeof digits, "m%07d\x1b[0m The", number);
        EXPECT_NE(line.find(digits), std::string::npos) << line;
    }
}

TEST(BenchSupportTest, PlainBurstLinesAreSeventyFiveBytesOfTextAlone) {
    for (int number : {1, 6, 200000, 9999999}) {
        const std::string line = bench::PlainBurstLine(number);
        EXPECT_EQ(line.size(), 75u) << number;
        char start[32];
        std::snprintf(start, sizeof start, "%07d The quick brown", number);
        EXPECT_EQ(line.find(start), 0u) << line;
        for (const char c : line.substr(0, line.size() - 2)) {
            const auto b = static_cast<unsigned char>(c);
            EXPECT_TRUE(b >= 0x20 && b != 0x7F && (b < 0x80 || b >= 0xC0)) << line;
        }
    }
}

} // namespace
} // namespace tolmix::e2e
