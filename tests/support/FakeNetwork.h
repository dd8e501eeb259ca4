#pragma once

#include "platform/Network.h"
#include "platform/SocketErrors.h"

#include <algorithm>
#include <charconv>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace tolmix::test {

// What one fake connection does and what was done to it. The test queues the packets that
// arrive (each Receive hands out at most one) and reads back every byte sent.
struct FakeStream {
    // Script.
    // How many looks at the host's lookup still find it running (a slow name server), and
    // what it finds then: every name resolves to one IPv4 address unless LookupResult fails.
    int PendingLookupLooks = 0;
    int32_t LookupResult = SocketError::Ok;
    int32_t ConnectResult = SocketError::Ok;
    // How many looks at a connect in progress still find it running before ConnectResult.
    int PendingConnectLooks = 0;
    // Bytes the peer still takes before it stops reading; then every send would block.
    std::size_t SendRoom = std::string::npos;
    std::deque<std::string> Incoming;
    // Once Incoming is empty: report ReceiveError (Disconnected for a peer that closed,
    // ConnectionReset for one that reset);
    // 0 means nothing more arrives, a time-out.
    int32_t ReceiveError = SocketError::Ok;
    int32_t SendResult = SocketError::Ok;
    // Runs after each send, so a test can answer what the client said.
    std::function<void(FakeStream&, const std::string&)> OnSend;

    // Record.
    std::string Host, Port;
    int ReadyWaits = 0;  // plain waits, the socket's own and the network's
    int LookupWaits = 0; // plain waits for the lookup's end
    // The lookup was given up while it still ran.
    bool LookupAbandoned = false;
    std::string Sent;
    std::vector<std::string> Sends;
    std::vector<Milliseconds> ReceiveTimeouts;
    int Connects = 0;
    bool ShutDown = false;
    bool Closed = false;
    PollHandle Handle;

    void Arrive(std::string bytes) { Incoming.push_back(std::move(bytes)); }
    bool Readable() const { return !Incoming.empty() || ReceiveError != SocketError::Ok; }
};

// A lookup that ends after the looks the stream's script gives it.
class FakeLookup final : public AddressLookup {
  public:
    FakeLookup(std::shared_ptr<FakeStream> stream, PollHandle handle)
        : State(std::move(stream)), BellHandle(handle) {}
    ~FakeLookup() override {
        if (!Ended)
            State->LookupAbandoned = true;
    }
    int32_t Outcome(std::vector<ResolvedAddress>& addresses) override {
        if (State->PendingLookupLooks > 0) {
            --State->PendingLookupLooks;
            return SocketError::InProgress;
        }
        Ended = true;
        if (State->LookupResult == SocketError::Ok)
            addresses.push_back({ResolvedAddress::Family::IPv4, {}});
        return State->LookupResult;
    }
    PollHandle Handle() const override { return BellHandle; }
    void Wait(TimePoint) override { ++State->LookupWaits; }

  private:
    std::shared_ptr<FakeStream> State;
    PollHandle BellHandle;
    bool Ended = false;
};

class FakeSocket final : public StreamSocket {
  public:
    FakeSocket(std::shared_ptr<FakeStream> stream, std::intptr_t handle)
        : State(std::move(stream)), HandleValue(handle) {}
    ~FakeSocket() override { State->Closed = true; }

    // One whole send (what the client handed over in one piece) is one entry of Sends.
    int32_t SendSome(std::string_view bytes, std::size_t& sent) override {
        sent = 0;
        if (State->Closed || State->ShutDown)
            return SocketError::NotASocket;
        if (State->SendResult != SocketError::Ok)
            return State->SendResult;
        sent = std::min(bytes.size(), State->SendRoom);
        if (State->SendRoom != std::string::npos)
            State->SendRoom -= sent;
        if (sent == 0)
            return SocketError::WouldBlock;
        State->Sent.append(bytes.substr(0, sent));
        Partial.append(bytes.substr(0, sent));
        if (sent == bytes.size()) {
            State->Sends.push_back(Partial);
            std::string whole = std::move(Partial);
            Partial.clear();
            if (State->OnSend)
                State->OnSend(*State, whole);
        }
        return SocketError::Ok;
    }
    void WaitReady(Readiness, TimePoint) override { ++State->ReadyWaits; }
    int32_t Receive(std::string& into, std::size_t limit, Milliseconds timeout) override {
        State->ReceiveTimeouts.push_back(timeout);
        if (State->Incoming.empty())
            return State->ReceiveError != SocketError::Ok ? State->ReceiveError
                                                          : SocketError::TimedOut;
        std::string& front = State->Incoming.front();
        if (front.size() > limit) {
            into.append(front, 0, limit);
            front.erase(0, limit);
        } else {
            into += front;
            State->Incoming.pop_front();
        }
        return SocketError::Ok;
    }
    void ShutdownSend() override { State->ShutDown = true; }
    PollHandle Handle() const override { return State->Handle; }
    // What a wait on the lookup watches.
    PollHandle LookupHandle() const { return PollHandle{HandleValue + 1000}; }

  private:
    // Reached only with settings that passed the platform's checks, as on a real network.
    std::unique_ptr<AddressLookup> StartLookup(const std::string& host,
                                               const std::string& port) override {
        ++State->Connects;
        State->Host = host;
        State->Port = port;
        return std::make_unique<FakeLookup>(State, LookupHandle());
    }
    int32_t StreamOutcome() override {
        if (State->PendingConnectLooks > 0 && --State->PendingConnectLooks > 0)
            return SocketError::InProgress;
        return Outcome();
    }
    void CloseStream() override {
        State->Closed = true;
        State->Handle = PollHandle{};
    }
    int32_t ConnectTo(const ResolvedAddress&) override {
        State->Handle = PollHandle{HandleValue};
        return State->PendingConnectLooks > 0 ? SocketError::InProgress : Outcome();
    }
    int32_t Outcome() {
        if (State->ConnectResult != SocketError::Ok)
            State->Handle = PollHandle{};
        return State->ConnectResult;
    }

    std::shared_ptr<FakeStream> State;
    std::string Partial;
    std::intptr_t HandleValue;
};

// Hands out the streams a test prepared, in order; any further socket gets a default stream
// (connects, then nothing arrives).
class FakeNetwork final : public Network {
  public:
    std::deque<std::shared_ptr<FakeStream>> Prepared;
    std::vector<std::shared_ptr<FakeStream>> Streams;
    std::map<std::string, uint16_t> Services{{"telnet", 23}, {"http", 80}};

    std::shared_ptr<FakeStream> Prepare() {
        Prepared.push_back(std::make_shared<FakeStream>());
        return Prepared.back();
    }

    std::unique_ptr<StreamSocket> CreateSocket() override {
        std::shared_ptr<FakeStream> stream;
        if (Prepared.empty()) {
            stream = std::make_shared<FakeStream>();
        } else {
            stream = Prepared.front();
            Prepared.pop_front();
        }
        Streams.push_back(stream);
        return std::make_unique<FakeSocket>(stream, 100 + static_cast<int>(Streams.size()));
    }

    std::optional<uint16_t> ResolvePort(std::string_view port) override {
        unsigned value = 0;
        const char* end = port.data() + port.size();
        if (!port.empty()) {
            auto [at, error] = std::from_chars(port.data(), end, value);
            if (error == std::errc() && at == end && value <= 65535)
                return static_cast<uint16_t>(value);
        }
        auto it = Services.find(std::string(port));
        if (it == Services.end())
            return std::nullopt;
        return it->second;
    }

    void WaitReady(PollHandle handle, Readiness, TimePoint) override {
        for (const auto& stream : Streams)
            if (stream->Handle == handle && handle.Valid())
                ++stream->ReadyWaits;
    }

    // For FakeEventLoop::HandleReady.
    bool Ready(PollHandle handle) const {
        for (const auto& stream : Streams)
            if (stream->Handle == handle && handle.Valid())
                return stream->Readable();
        return false;
    }
};

} // namespace tolmix::test
