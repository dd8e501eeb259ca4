// Lines that stream in cost no allocation once the client has warmed up: the received line,
// its decoded text and its console text use their memory again line after line, the ring's
// rows are made once, and the loop's passes allocate nothing of their own. Every allocation of
// this program is counted, so this test lives in a program of its own.
#include "app/ClientFakes.h"
#include "app/TClient.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>

namespace {
std::atomic<long> Allocations{0};
} // namespace

// The replaced operators pair malloc with free, which GCC cannot see across them.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

void* operator new(std::size_t size) {
    Allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace tolmix {
namespace {

class ReceivedLineAllocation : public ::testing::Test, public test::ClientFakes {
  protected:
    // Coloured lines of 75 bytes, numbered, as a game's busy fight sends them.
    static std::string Lines(int first, int count) {
        std::string bytes;
        for (int n = first; n < first + count; ++n) {
            std::string line = "\x1b[1;3" + std::to_string(1 + n % 7) + "m" + std::to_string(n) +
                               "\x1b[0m The goblin swings at you and misses, you hit it hard";
            line.resize(75, '.');
            bytes += line + "\r\n";
        }
        return bytes;
    }
    // Runs the loop until every line that arrived is shown (bounded).
    void ReceiveAll() {
        Loop.HandleReady = [this](PollHandle handle) { return Net.Ready(handle); };
        for (int pass = 0; pass < 100000 && ServerConnected(); ++pass) {
            Input.Step(*Client);
            if (Server->Incoming.empty() && !Client->Idle())
                break;
        }
    }

    std::shared_ptr<test::FakeStream> Server = Net.Prepare();
    std::unique_ptr<TClient> Client;
};

TEST_F(ReceivedLineAllocation, AStreamOfColouredLinesAllocatesNothingPerLine) {
    constexpr int Count = 4000;
    const char* argv[] = {"tolmix-client"};
    Client = std::make_unique<TClient>(Con, Env, 1, argv);
    ASSERT_TRUE(ServerConnected());
    // Warm up: the ring's rows are made and the buffers grow to a line's size.
    Server->Arrive(Lines(0, Count));
    ReceiveAll();
    ASSERT_TRUE(ScreenHas(std::to_string(Count - 1) + " The goblin"));

    Server->Arrive(Lines(Count, Count));
    const long before = Allocations.load();
    ReceiveAll();
    const long during = Allocations.load() - before;
    ASSERT_TRUE(ScreenHas(std::to_string(2 * Count - 1) + " The goblin"));
    ASSERT_TRUE(ServerConnected());
    // A few for the loop's passes or a timer at most; one a line would be thousands.
    EXPECT_LT(during, Count / 100) << during << " allocations for " << Count << " lines";
    std::printf("%ld allocations for %d lines\n", during, Count);
}

} // namespace
} // namespace tolmix
