#pragma once

// For the server link's tests only: needs tolmix_net.
#include "net/ServerLink.h"

#include <functional>
#include <string>
#include <vector>

namespace tolmix::test {

// A printer for the server link that keeps every printed line; a test may act on each line as
// it comes.
class RecordingLinkHost final : public LinePrinter {
  public:
    std::vector<std::string> Printed;
    std::function<void(const std::string&)> OnPrint;

    void PrintLine(const std::string& ansiText) override {
        Printed.push_back(ansiText);
        if (OnPrint)
            OnPrint(ansiText);
    }
};

} // namespace tolmix::test
