#pragma once

// For the server link's tests only: needs tolmix_net.
#include "net/ServerLink.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tolmix::test {

// A printer and echo listener for the server link that keeps every printed line, the
// unfinished line it shows and what it said of the server's echo; a test may act on each line
// as it comes.
class RecordingLinkHost final : public ServerLinePrinter, public ServerEchoListener {
  public:
    // Every line printed, in order, and of them those printed as text only (never a code).
    std::vector<std::string> Printed;
    std::vector<std::string> TextLines;
    std::function<void(const std::string&)> OnPrint;
    // The unfinished line on the screen, and every text shown as one.
    std::optional<std::string> Unfinished;
    std::vector<std::string> UnfinishedShown;
    // Every change of the server's echo: true when it took the echo over.
    std::vector<bool> EchoChanges;
    // How often the echo ended with the connection.
    int EchoLost = 0;

    void PrintLine(const std::string& ansiText) override {
        Printed.push_back(ansiText);
        if (OnPrint)
            OnPrint(ansiText);
    }
    void PrintTextLine(const std::string& ansiText) override {
        TextLines.push_back(ansiText);
        PrintLine(ansiText);
    }
    void ShowUnfinishedLine(const std::string& ansiText) override {
        Unfinished = ansiText;
        UnfinishedShown.push_back(ansiText);
    }
    void RemoveUnfinishedLine() override { Unfinished.reset(); }
    void ServerEchoChanged(bool serverEchoes) override { EchoChanges.push_back(serverEchoes); }
    void ServerEchoLost() override { ++EchoLost; }
};

} // namespace tolmix::test
