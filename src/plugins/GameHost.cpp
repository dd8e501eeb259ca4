#include "plugins/GameHost.h"

#include "text/CodePage.h"
#include "util/Base64.h"

#include <utility>

namespace tolmix {

namespace {

// The client codes of the host; on the wire each 0x10 becomes 0x80.
constexpr std::string_view DataCode = "\x10\x10gd";
constexpr std::string_view TextCode = "\x10\x10ge";
constexpr std::string_view FinishCode = "\x10\x10gf";
// Channels 1 to 4 of SendGameText.
constexpr std::string_view ChannelLetters = "rspb";

} // namespace

uint64_t GameHost::GetWindowHandle() {
    return Con.FindConsoleWindow();
}

std::string GameHost::GetCharName() {
    return CharName ? ConsoleToAnsi(CharName()) : std::string();
}

void GameHost::ProcessIdle() {
    struct DepthGuard {
        int& Depth;
        explicit DepthGuard(int& depth) : Depth(depth) { ++Depth; }
        ~DepthGuard() { --Depth; }
    } depth(Depth);
    if (Depth <= MaxReceivingDepth) {
        Con.Step();
        return;
    }
    // Keys and timers go on; the idle step, which receives, waits for the outer calls.
    struct IdleRestore {
        TConsole& Con;
        TConsole::IdleHandler Saved;
        ~IdleRestore() { Con.OnIdle = std::move(Saved); }
    } restore{Con, std::exchange(Con.OnIdle, nullptr)};
    Con.Step();
}

void GameHost::SendGameData(const std::string& data) {
    if (!IsConnected())
        return;
    std::string code(DataCode);
    code += EncodeBase64(data);
    SendCode(code);
}

void GameHost::SendGameText(uint8_t channel, const std::string& text) {
    if (channel == 0) {
        if (PrintLine)
            PrintLine(text);
        return;
    }
    if (channel > ChannelLetters.size() || !IsConnected())
        return;
    std::string code(TextCode);
    code += ChannelLetters[channel - 1];
    code += text;
    SendCode(code);
}

void GameHost::SendGameFinish() {
    if (IsConnected())
        SendCode(std::string(FinishCode));
}

void GameHost::SendCode(const std::string& code) {
    if (SendLine)
        SendLine(code, false);
}

} // namespace tolmix
