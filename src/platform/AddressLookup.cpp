#include "platform/AddressLookup.h"
#include "platform/SocketErrors.h"

#include <condition_variable>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <utility>

namespace tolmix {

namespace {

// What the lookup's thread and its owner share; the thread keeps it alive after the owner
// has gone.
struct LookupState {
    std::mutex Lock;
    std::condition_variable Ended;
    bool Done = false;
    bool Taken = false;
    int32_t Result = SocketError::InProgress;
    std::vector<ResolvedAddress> Addresses;
    // Rung by the thread; gone once the owner abandoned the lookup, so that a late answer
    // rings nothing that was closed or reused.
    std::unique_ptr<LookupBell> Bell;
};

class ThreadedLookup final : public AddressLookup {
  public:
    ThreadedLookup(std::shared_ptr<LookupState> state, PollHandle handle)
        : State(std::move(state)), BellHandle(handle) {}
    ~ThreadedLookup() override {
        std::unique_ptr<LookupBell> bell;
        {
            const std::lock_guard<std::mutex> lock(State->Lock);
            bell = std::move(State->Bell);
        }
    }

    int32_t Outcome(std::vector<ResolvedAddress>& addresses) override {
        const std::lock_guard<std::mutex> lock(State->Lock);
        if (!State->Done)
            return SocketError::InProgress;
        if (!std::exchange(State->Taken, true))
            addresses.insert(addresses.end(), std::make_move_iterator(State->Addresses.begin()),
                             std::make_move_iterator(State->Addresses.end()));
        return State->Result;
    }
    PollHandle Handle() const override { return BellHandle; }
    void Wait(TimePoint deadline) override {
        std::unique_lock<std::mutex> lock(State->Lock);
        State->Ended.wait_until(lock, deadline, [&] { return State->Done; });
    }

  private:
    std::shared_ptr<LookupState> State;
    PollHandle BellHandle;
};

class EndedLookup final : public AddressLookup {
  public:
    EndedLookup(int32_t result, std::vector<ResolvedAddress> addresses)
        : Result(result), Addresses(std::move(addresses)) {}
    int32_t Outcome(std::vector<ResolvedAddress>& addresses) override {
        addresses.insert(addresses.end(), std::make_move_iterator(Addresses.begin()),
                         std::make_move_iterator(Addresses.end()));
        Addresses.clear();
        return Result;
    }
    PollHandle Handle() const override { return {}; }
    void Wait(TimePoint) override {}

  private:
    int32_t Result;
    std::vector<ResolvedAddress> Addresses;
};

} // namespace

std::unique_ptr<AddressLookup> StartThreadedLookup(std::string host, std::string port,
                                                   BlockingResolver resolve,
                                                   std::unique_ptr<LookupBell> bell) {
    auto state = std::make_shared<LookupState>();
    const PollHandle handle = bell->Handle();
    state->Bell = std::move(bell);
    try {
        std::thread([state, host = std::move(host), port = std::move(port),
                     resolve = std::move(resolve)] {
            std::vector<ResolvedAddress> found;
            int32_t result = SocketError::NoBufferSpace;
            try {
                result = resolve(host, port, found);
            } catch (const std::bad_alloc&) {
                found.clear();
            }
            // A lookup is over when it ends: "still running" is no answer.
            if (result == SocketError::InProgress)
                result = SocketError::NoRecovery;
            const std::lock_guard<std::mutex> lock(state->Lock);
            state->Result = result;
            state->Addresses = std::move(found);
            state->Done = true;
            if (state->Bell)
                state->Bell->Ring();
            state->Ended.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        return FinishedLookup(SocketError::NoBufferSpace);
    }
    return std::make_unique<ThreadedLookup>(std::move(state), handle);
}

std::unique_ptr<AddressLookup> FinishedLookup(int32_t result,
                                              std::vector<ResolvedAddress> addresses) {
    return std::make_unique<EndedLookup>(result, std::move(addresses));
}

} // namespace tolmix
