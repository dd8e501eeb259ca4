#include "plugins/GameHost.h"

#include "net/ClientCodes.h"
#include "text/CodePage.h"

namespace tolmix {

uint64_t GameHost::GetWindowHandle() {
    return Window.WindowId();
}

std::string GameHost::GetCharName() {
    return ConsoleToAnsi(CharName);
}

void GameHost::ProcessIdle() {
    struct DepthGuard {
        int& Depth;
        explicit DepthGuard(int& depth) : Depth(depth) { ++Depth; }
        ~DepthGuard() { --Depth; }
    } depth(Depth);
    // Beyond the limit keys and timers go on; the idle step, which receives, waits for the
    // outer calls.
    Loop.RunLoopPass(Depth <= MaxReceivingDepth);
}

// The plugins' codes carry their own Windows-1251 text: sent without conversion.
void GameHost::SendGameData(const std::string& data) {
    if (Link.Connected())
        Link.SendLine(GameDataCode(data), false);
}

void GameHost::SendGameText(uint8_t channel, const std::string& text) {
    if (channel == 0) {
        Printer.PrintLine(text);
        return;
    }
    if (HasGameTextChannel(channel) && Link.Connected())
        Link.SendLine(GameTextCode(channel, text), false);
}

void GameHost::SendGameFinish() {
    if (Link.Connected())
        Link.SendLine(GameFinishCode(), false);
}

} // namespace tolmix
