#pragma once

#include "platform/Clock.h"
#include "platform/PollHandle.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tolmix {

// One address a host name resolved to, in the form the platform's connect takes.
struct ResolvedAddress {
    enum class Family { IPv4, IPv6 };
    Family Kind = Family::IPv4;
    // The platform's socket address (port included), byte for byte.
    std::vector<std::byte> Bytes;
};

// A host name lookup under way. The resolvers block for as long as the name servers take, so
// a lookup runs beside the caller, which waits on Handle among everything else it watches.
// Destroying the object abandons the lookup: what it finds later is dropped, and nothing ever
// waits for a resolver that hangs.
class AddressLookup {
  public:
    virtual ~AddressLookup() = default;
    // InProgress while the lookup runs; then 0 with the addresses appended, or the resolver's
    // failure (Winsock numbering). Only the first look after the end hands the addresses out.
    virtual int32_t Outcome(std::vector<ResolvedAddress>& addresses) = 0;
    // Ready to be read once the lookup ended.
    virtual PollHandle Handle() const = 0;
    // Sleeps until the lookup ended or the deadline passed: the plain wait of a caller that
    // watches nothing else.
    virtual void Wait(TimePoint deadline) = 0;
};

// The platform's side of a lookup run on a thread: the blocking resolver, and a bell that the
// thread rings when it is done so that a wait on Handle ends.
class LookupBell {
  public:
    virtual ~LookupBell() = default;
    virtual PollHandle Handle() const = 0;
    // From the lookup's thread; once.
    virtual void Ring() = 0;
};
using BlockingResolver = std::function<int32_t(const std::string& host, const std::string& port,
                                               std::vector<ResolvedAddress>& addresses)>;

// Runs `resolve` on a thread of its own, which is never joined: an abandoned lookup leaves the
// thread to end when the resolver returns, or with the process. A thread that cannot be
// started ends the lookup at once with NoBufferSpace.
std::unique_ptr<AddressLookup> StartThreadedLookup(std::string host, std::string port,
                                                   BlockingResolver resolve,
                                                   std::unique_ptr<LookupBell> bell);

// A lookup that has already ended: with `addresses` when `result` is 0.
std::unique_ptr<AddressLookup> FinishedLookup(int32_t result,
                                              std::vector<ResolvedAddress> addresses = {});

} // namespace tolmix
