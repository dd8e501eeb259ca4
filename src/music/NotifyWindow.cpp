#include "music/NotifyWindow.h"

#include "platform/MidiStream.h"

#include <unordered_map>

namespace tolmix {

namespace {

// Windows live on the main thread only, so the table needs no lock.
std::unordered_map<uint64_t, NotifyWindow*>& Windows() {
    static std::unordered_map<uint64_t, NotifyWindow*> windows;
    return windows;
}

uint64_t NextHandle = 1;

} // namespace

NotifyWindow::NotifyWindow(EventLoop& loop, Procedure& procedure)
    : WindowHandle(NextHandle++), WindowProc(procedure) {
    Windows()[WindowHandle] = this;
    // Every window shares the one router; registering it again changes nothing.
    for (uint32_t id : {MomOpen, MomClose, MomDone, MomPositionCb})
        loop.SetMessageHandler(id, &NotifyWindow::Route);
}

NotifyWindow::~NotifyWindow() {
    Windows().erase(WindowHandle);
}

void NotifyWindow::Route(const Message& message) {
    const auto it = Windows().find(message.WParam);
    if (it == Windows().end())
        return;
    // Taken before the call: the procedure may destroy the window.
    Procedure& procedure = it->second->WindowProc;
    procedure.WindowProc(message);
}

} // namespace tolmix
