#include "platform/Network.h"
#include "platform/SocketErrors.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tolmix {
namespace {

using Family = ResolvedAddress::Family;

ResolvedAddress Address(Family family, uint8_t tag) {
    return {family, {std::byte{tag}}};
}

// A stream whose platform part only records what reached it: the resolver answers with
// Addresses (or ResolveError), and a connect opens the stream.
class RecordingSocket final : public StreamSocket {
  public:
    int32_t ResolveError = SocketError::Ok;
    std::vector<ResolvedAddress> Addresses{Address(Family::IPv4, 4)};
    std::vector<std::string> Resolved; // "host:port" of every resolve
    std::vector<uint8_t> ConnectedTo;  // the tag of every address connected to
    bool Open = false;

    int32_t ConnectOutcome() override { return SocketError::Ok; }
    int32_t SendSome(std::string_view, std::size_t& sent) override {
        sent = 0;
        return SocketError::Ok;
    }
    void WaitReady(Readiness, TimePoint) override {}
    int32_t Receive(std::string&, std::size_t, Milliseconds) override {
        return SocketError::TimedOut;
    }
    void ShutdownSend() override {}
    void Close() override { Open = false; }
    PollHandle Handle() const override { return Open ? PollHandle{7} : PollHandle{}; }

  private:
    int32_t Resolve(const std::string& host, const std::string& port,
                    std::vector<ResolvedAddress>& addresses) override {
        Resolved.push_back(host + ":" + port);
        if (ResolveError != SocketError::Ok)
            return ResolveError;
        addresses = Addresses;
        return SocketError::Ok;
    }
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

} // namespace
} // namespace tolmix
