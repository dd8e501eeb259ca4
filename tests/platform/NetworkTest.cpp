#include "platform/Network.h"
#include "platform/SocketErrors.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tolmix {
namespace {

using Family = ResolvedAddress::Family;

ResolvedAddress Address(Family family, uint8_t tag) {
    return {family, {std::byte{tag}}};
}

// A lookup the test ends when it likes; it records being given up while it ran.
struct ScriptedLookupState {
    bool Done = false;
    int Waits = 0;
    bool Abandoned = false;
};

class ScriptedLookup final : public AddressLookup {
  public:
    ScriptedLookup(std::shared_ptr<ScriptedLookupState> state, int32_t result,
                   std::vector<ResolvedAddress> found)
        : State(std::move(state)), Result(result), Found(std::move(found)) {}
    ~ScriptedLookup() override {
        if (!State->Done)
            State->Abandoned = true;
    }
    int32_t Outcome(std::vector<ResolvedAddress>& addresses) override {
        if (!State->Done)
            return SocketError::InProgress;
        addresses = Found;
        return Result;
    }
    PollHandle Handle() const override { return PollHandle{55}; }
    // A plain wait sleeps until the end: here the end comes with the first wait.
    void Wait(TimePoint) override {
        ++State->Waits;
        State->Done = true;
    }

  private:
    std::shared_ptr<ScriptedLookupState> State;
    int32_t Result;
    std::vector<ResolvedAddress> Found;
};

// A stream whose platform part only records what reached it: the resolver answers with
// Addresses (or ResolveError), at once or (SlowLookup) when the test says, and a connect opens
// the stream.
class RecordingSocket final : public StreamSocket {
  public:
    int32_t ResolveError = SocketError::Ok;
    std::vector<ResolvedAddress> Addresses{Address(Family::IPv4, 4)};
    std::vector<std::string> Resolved; // "host:port" of every resolve
    std::vector<uint8_t> ConnectedTo;  // the tag of every address connected to
    bool Open = false;
    bool SlowLookup = false;
    std::shared_ptr<ScriptedLookupState> Lookup = std::make_shared<ScriptedLookupState>();
    // How many looks find the connect running before it succeeds.
    int ConnectLooks = 0;
    int StreamWaits = 0;

    int32_t SendSome(std::string_view, std::size_t& sent) override {
        sent = 0;
        return SocketError::Ok;
    }
    void WaitReady(Readiness, TimePoint) override { ++StreamWaits; }
    int32_t Receive(std::string&, std::size_t, Milliseconds) override {
        return SocketError::TimedOut;
    }
    void ShutdownSend() override {}
    PollHandle Handle() const override { return Open ? PollHandle{7} : PollHandle{}; }

  private:
    std::unique_ptr<AddressLookup> StartLookup(const std::string& host,
                                               const std::string& port) override {
        Resolved.push_back(host + ":" + port);
        Lookup->Done = !SlowLookup;
        return std::make_unique<ScriptedLookup>(
            Lookup, ResolveError,
            ResolveError == SocketError::Ok ? Addresses : std::vector<ResolvedAddress>{});
    }
    int32_t StreamOutcome() override {
        if (ConnectLooks == 0)
            return SocketError::Ok;
        --ConnectLooks;
        return SocketError::InProgress;
    }
    void CloseStream() override { Open = false; }
    int32_t ConnectTo(const ResolvedAddress& address) override {
        ConnectedTo.push_back(static_cast<uint8_t>(address.Bytes.at(0)));
        Open = true;
        return SocketError::InProgress;
    }
};

TEST(ConnectSettings, EmptyZeroByteOrOutOfRangeSettingsNameNothing) {
    EXPECT_EQ(CheckConnectSettings("mud.example", "4000"), SocketError::Ok);
    EXPECT_EQ(CheckConnectSettings("mud.example", "telnet"), SocketError::Ok);
    EXPECT_EQ(CheckConnectSettings("::1", "65535"), SocketError::Ok);

    EXPECT_EQ(CheckConnectSettings("", "4000"), SocketError::HostNotFound);
    EXPECT_EQ(CheckConnectSettings("mud.example", ""), SocketError::AddressNotAvailable);
    // The resolvers would wrap these round to 42505 and 34463, or take 0.
    EXPECT_EQ(CheckConnectSettings("mud.example", "108041"), SocketError::InvalidArgument);
    EXPECT_EQ(CheckConnectSettings("mud.example", "99999"), SocketError::InvalidArgument);
    EXPECT_EQ(CheckConnectSettings("mud.example", "0"), SocketError::InvalidArgument);
    // A zero byte would cut the terminated text the resolver is given.
    EXPECT_EQ(CheckConnectSettings(std::string("local\0host", 10), "23"),
              SocketError::HostNotFound);
    EXPECT_EQ(CheckConnectSettings("mud.example", std::string("23\0x", 4)),
              SocketError::AddressNotAvailable);
    // The host is looked at first, then the port's range, then the zero bytes.
    EXPECT_EQ(CheckConnectSettings("", ""), SocketError::HostNotFound);
    EXPECT_EQ(CheckConnectSettings(std::string("a\0b", 3), "99999"), SocketError::InvalidArgument);
}

TEST(ConnectSettings, IPv4IsTakenBeforeIPv6) {
    EXPECT_EQ(PreferredAddress({}), nullptr);
    const std::vector<ResolvedAddress> both{Address(Family::IPv6, 1), Address(Family::IPv4, 2),
                                            Address(Family::IPv4, 3)};
    EXPECT_EQ(PreferredAddress(both), &both[1]);
    const std::vector<ResolvedAddress> six{Address(Family::IPv6, 1), Address(Family::IPv6, 2)};
    EXPECT_EQ(PreferredAddress(six), &six[0]);
}

TEST(StartConnect, SettingsThatFailTheChecksReachNoResolver) {
    for (const auto& [host, port] : std::vector<std::pair<std::string, std::string>>{
             {"", "4000"}, {"mud", ""}, {"mud", "70000"}, {std::string("m\0d", 3), "4000"}}) {
        RecordingSocket socket;
        EXPECT_EQ(socket.StartConnect(host, port), CheckConnectSettings(host, port));
        EXPECT_TRUE(socket.Resolved.empty());
        EXPECT_TRUE(socket.ConnectedTo.empty());
    }
}

TEST(StartConnect, ConnectsToThePreferredAddressOfWhatTheResolverFound) {
    RecordingSocket socket;
    socket.Addresses = {Address(Family::IPv6, 6), Address(Family::IPv4, 4)};
    EXPECT_EQ(socket.StartConnect("mud.example", "telnet"), SocketError::InProgress);
    EXPECT_EQ(socket.Resolved, std::vector<std::string>{"mud.example:telnet"});
    EXPECT_EQ(socket.ConnectedTo, std::vector<uint8_t>{4});
    // An open stream is not connected again.
    EXPECT_EQ(socket.StartConnect("other", "4000"), SocketError::AlreadyConnected);
    EXPECT_EQ(socket.Resolved.size(), 1u);

    // The resolver's failure is the connect's; a name without TCP addresses has no data.
    RecordingSocket unknown;
    unknown.ResolveError = SocketError::HostNotFound;
    EXPECT_EQ(unknown.StartConnect("nowhere", "4000"), SocketError::HostNotFound);
    RecordingSocket empty;
    empty.Addresses.clear();
    EXPECT_EQ(empty.StartConnect("mud", "4000"), SocketError::NoData);
    EXPECT_TRUE(unknown.ConnectedTo.empty());
    EXPECT_TRUE(empty.ConnectedTo.empty());
}

TEST(StartConnect, ALookupInProgressIsWaitedOnUntilItEndsThenTheStreamIs) {
    RecordingSocket socket;
    socket.SlowLookup = true;
    ASSERT_EQ(socket.StartConnect("slow.example", "4000"), SocketError::InProgress);
    // While the name is looked up nothing is connected, and a wait watches the lookup.
    EXPECT_TRUE(socket.ConnectedTo.empty());
    EXPECT_FALSE(socket.Handle().Valid());
    EXPECT_EQ(socket.ConnectWait().Handle, PollHandle{55});
    EXPECT_EQ(socket.ConnectWait().For, Readiness::Read);
    EXPECT_EQ(socket.ConnectOutcome(), SocketError::InProgress);
    // A second attempt meanwhile is refused, as on an open stream.
    EXPECT_EQ(socket.StartConnect("other", "4000"), SocketError::AlreadyConnected);
    EXPECT_EQ(socket.Resolved.size(), 1u);

    // The lookup ends: the next look starts the connect, and the wait moves to the stream.
    socket.Lookup->Done = true;
    EXPECT_EQ(socket.ConnectOutcome(), SocketError::InProgress);
    EXPECT_EQ(socket.ConnectedTo, std::vector<uint8_t>{4});
    EXPECT_EQ(socket.ConnectWait().Handle, PollHandle{7});
    EXPECT_EQ(socket.ConnectWait().For, Readiness::Write);
    EXPECT_EQ(socket.ConnectOutcome(), SocketError::Ok);
    EXPECT_FALSE(socket.Lookup->Abandoned);

    // A failed lookup is the attempt's failure, told once the lookup ended.
    RecordingSocket unknown;
    unknown.SlowLookup = true;
    unknown.ResolveError = SocketError::HostNotFound;
    ASSERT_EQ(unknown.StartConnect("nowhere", "4000"), SocketError::InProgress);
    unknown.Lookup->Done = true;
    EXPECT_EQ(unknown.ConnectOutcome(), SocketError::HostNotFound);
    EXPECT_TRUE(unknown.ConnectedTo.empty());
    // And the socket may start again.
    unknown.ResolveError = SocketError::Ok;
    unknown.SlowLookup = false;
    EXPECT_EQ(unknown.StartConnect("mud", "4000"), SocketError::InProgress);
    EXPECT_EQ(unknown.ConnectedTo, std::vector<uint8_t>{4});
}

TEST(StartConnect, ClosingGivesUpALookupInProgressAndConnectsNothingLater) {
    RecordingSocket socket;
    socket.SlowLookup = true;
    ASSERT_EQ(socket.StartConnect("slow.example", "4000"), SocketError::InProgress);
    const std::shared_ptr<ScriptedLookupState> first = socket.Lookup;
    socket.Close();
    EXPECT_TRUE(first->Abandoned);
    // Its answer coming late changes nothing: no connect, and a new attempt may start.
    first->Done = true;
    EXPECT_TRUE(socket.ConnectedTo.empty());
    socket.Lookup = std::make_shared<ScriptedLookupState>();
    socket.SlowLookup = false;
    EXPECT_EQ(socket.StartConnect("mud", "4000"), SocketError::InProgress);
    EXPECT_EQ(socket.Resolved.size(), 2u);
    EXPECT_EQ(socket.ConnectedTo.size(), 1u);
}

TEST(StartConnect, ThePlainConnectSleepsOnTheLookupThenOnTheStream) {
    RecordingSocket socket;
    socket.SlowLookup = true;
    socket.ConnectLooks = 2;
    EXPECT_EQ(socket.Connect("slow.example", "4000", Milliseconds(30000)), SocketError::Ok);
    EXPECT_EQ(socket.Lookup->Waits, 1);
    EXPECT_EQ(socket.StreamWaits, 3);
    EXPECT_EQ(socket.ConnectedTo, std::vector<uint8_t>{4});
}

// The lookup run on a thread, with a resolver the test holds back and a bell it watches.
class RecordingBell final : public LookupBell {
  public:
    explicit RecordingBell(std::shared_ptr<std::atomic<int>> rings) : Rings(std::move(rings)) {}
    PollHandle Handle() const override { return PollHandle{9}; }
    void Ring() override { ++*Rings; }

  private:
    std::shared_ptr<std::atomic<int>> Rings;
};

struct HeldResolver {
    std::mutex Lock;
    std::condition_variable Changed;
    bool Release = false;
    bool Returned = false;
    std::vector<std::string> Asked;

    void Let() {
        const std::lock_guard<std::mutex> lock(Lock);
        Release = true;
        Changed.notify_all();
    }
    // Bounded: a resolver that was never called would leave the test waiting otherwise.
    bool WaitReturned() {
        std::unique_lock<std::mutex> lock(Lock);
        return Changed.wait_for(lock, std::chrono::seconds(20), [this] { return Returned; });
    }
};

// The resolver as the lookup's thread runs it; the thread shares the holder, which may outlive
// the test.
BlockingResolver HeldBack(std::shared_ptr<HeldResolver> held, int32_t result) {
    return [held, result](const std::string& host, const std::string& port,
                          std::vector<ResolvedAddress>& addresses) {
        std::unique_lock<std::mutex> lock(held->Lock);
        held->Asked.push_back(host + ":" + port);
        held->Changed.wait(lock, [&] { return held->Release; });
        addresses.push_back(Address(Family::IPv6, 6));
        held->Returned = true;
        held->Changed.notify_all();
        return result;
    };
}

TEST(ThreadedLookup, RunsBesideTheCallerAndRingsWhenDone) {
    auto resolver = std::make_shared<HeldResolver>();
    auto rings = std::make_shared<std::atomic<int>>(0);
    std::unique_ptr<AddressLookup> lookup =
        StartThreadedLookup("slow.example", "4000", HeldBack(resolver, SocketError::Ok),
                            std::make_unique<RecordingBell>(rings));
    EXPECT_EQ(lookup->Handle(), PollHandle{9});
    std::vector<ResolvedAddress> found;
    // The resolver is held back, and the caller is not.
    EXPECT_EQ(lookup->Outcome(found), SocketError::InProgress);
    lookup->Wait(SteadyClock::now() + Milliseconds(20));
    EXPECT_EQ(lookup->Outcome(found), SocketError::InProgress);
    EXPECT_EQ(rings->load(), 0);

    resolver->Let();
    lookup->Wait(SteadyClock::now() + std::chrono::seconds(20));
    ASSERT_EQ(lookup->Outcome(found), SocketError::Ok);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].Kind, Family::IPv6);
    EXPECT_EQ(rings->load(), 1);
    EXPECT_EQ(resolver->Asked, std::vector<std::string>{"slow.example:4000"});
    // The addresses are handed out once.
    found.clear();
    EXPECT_EQ(lookup->Outcome(found), SocketError::Ok);
    EXPECT_TRUE(found.empty());
}

TEST(ThreadedLookup, AnAbandonedLookupNeitherBlocksNorRingsWhenItsAnswerComes) {
    auto resolver = std::make_shared<HeldResolver>();
    auto rings = std::make_shared<std::atomic<int>>(0);
    std::unique_ptr<AddressLookup> lookup =
        StartThreadedLookup("hung.example", "23", HeldBack(resolver, SocketError::TryAgain),
                            std::make_unique<RecordingBell>(rings));
    // Given up while the resolver hangs: the owner goes at once.
    lookup.reset();
    resolver->Let();
    ASSERT_TRUE(resolver->WaitReturned());
    // The thread ends once it has stored the answer, letting go of the resolver it ran: the
    // bell went with the owner, so nothing rang.
    for (int i = 0; i < 20'000 && resolver.use_count() > 1; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_EQ(resolver.use_count(), 1);
    EXPECT_EQ(rings->load(), 0);

    // A failure is handed on as the resolver said it.
    auto failing = std::make_shared<HeldResolver>();
    failing->Let();
    std::unique_ptr<AddressLookup> failed =
        StartThreadedLookup("nowhere", "23", HeldBack(failing, SocketError::HostNotFound),
                            std::make_unique<RecordingBell>(rings));
    failed->Wait(SteadyClock::now() + std::chrono::seconds(20));
    std::vector<ResolvedAddress> found;
    EXPECT_EQ(failed->Outcome(found), SocketError::HostNotFound);
}

} // namespace
} // namespace tolmix
