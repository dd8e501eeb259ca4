#pragma once

#include "e2e/harness/TempDir.h"
#include "posix/ChildProcess.h"

#include <cstdint>
#include <memory>
#include <string>

namespace tolmix::posix::test {

// A real HTTP CONNECT proxy (tinyproxy) on a free port of 127.0.0.1, with Basic
// authorisation when a user is given; stopped on destruction.
class TinyProxy {
  public:
    explicit TinyProxy(const std::string& user = "", const std::string& password = "");

    // Empty when the proxy runs; otherwise why not (no tinyproxy, it would not start).
    const std::string& Problem() const { return Why; }
    uint16_t Port() const { return ListenPort; }

    // A port of 127.0.0.1 that nothing listens on (just now).
    static uint16_t FreePort();

  private:
    e2e::TempDir Dir{"tolmix-proxy"};
    std::unique_ptr<ChildProcess> Process;
    uint16_t ListenPort = 0;
    std::string Why;
};

} // namespace tolmix::posix::test
