#include "platform/win32/Win32EventLoop.h"
#include "platform/win32/Win32FileSystem.h"

// Winsock 2 before the rest of the system headers, which would bring in its old version.
#include <winsock2.h>

#include <windows.h>

#include <algorithm>
#include <mutex>
#include <stdexcept>

namespace tolmix::win32 {

namespace {

// The loop the control handler ends; the handler runs on a thread of its own, so the loop is
// taken and dropped under the lock.
std::mutex ActiveLock;
Win32EventLoop* ActiveLoop = nullptr;
// Set when the loop that the control handler woke is gone; never closed, since the handler's
// thread may still wait on it while the process ends.
HANDLE LoopGone = nullptr;

BOOL WINAPI OnControlEvent(DWORD event) {
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT)
        return TRUE; // claimed: the keys are the client's, as keys
    EndInOrder();
    return TRUE;
}

} // namespace

void EndInOrder() {
    {
        std::lock_guard guard(ActiveLock);
        if (ActiveLoop == nullptr)
            return;
        ActiveLoop->RequestQuit();
    }
    // The process ends when the handler returns from a close, log-off or shutdown event; the
    // system allows about five seconds, enough for the client to close its connection, log and
    // console in order.
    ::WaitForSingleObject(LoopGone, 4500);
}

Win32EventLoop::Win32EventLoop() {
    WSADATA data;
    ::WSAStartup(MAKEWORD(2, 2), &data);
    WakeEvent = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    SocketEvent = ::WSACreateEvent();
    if (WakeEvent == nullptr || SocketEvent == WSA_INVALID_EVENT)
        throw std::runtime_error("Cannot create the event loop's events: " +
                                 SystemErrorText(::GetLastError()));
    if (LoopGone == nullptr)
        LoopGone = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ::ResetEvent(LoopGone);
    {
        std::lock_guard guard(ActiveLock);
        ActiveLoop = this;
    }
    ::SetConsoleCtrlHandler(OnControlEvent, TRUE);
}

Win32EventLoop::~Win32EventLoop() {
    for (const SelectedSocket& s : Selected)
        ::WSAEventSelect(static_cast<SOCKET>(s.Handle.Value), nullptr, 0);
    {
        std::lock_guard guard(ActiveLock);
        ActiveLoop = nullptr;
    }
    ::SetEvent(LoopGone);
    ::WSACloseEvent(SocketEvent);
    ::CloseHandle(WakeEvent);
    ::WSACleanup();
}

void Win32EventLoop::Wake() {
    ::SetEvent(WakeEvent);
}

void Win32EventLoop::WatchWaitHandle(void* handle) {
    if (std::find(WaitHandles.begin(), WaitHandles.end(), handle) == WaitHandles.end())
        WaitHandles.push_back(handle);
}

void Win32EventLoop::UnwatchWaitHandle(void* handle) {
    WaitHandles.erase(std::remove(WaitHandles.begin(), WaitHandles.end(), handle),
                      WaitHandles.end());
}

void Win32EventLoop::SelectSockets() {
    // One association per socket; one watched for room is not woken by arriving data.
    std::vector<SelectedSocket> wanted;
    const std::vector<PollHandle>& writable = WritableHandles();
    for (PollHandle handle : writable)
        if (handle.Valid())
            wanted.push_back({handle, FD_WRITE | FD_CONNECT | FD_CLOSE});
    for (PollHandle handle : WatchedHandles())
        if (handle.Valid() && std::find(writable.begin(), writable.end(), handle) == writable.end())
            wanted.push_back({handle, FD_READ | FD_CLOSE});
    for (const SelectedSocket& old : Selected) {
        const bool kept = std::any_of(wanted.begin(), wanted.end(), [&](const SelectedSocket& s) {
            return s.Handle == old.Handle;
        });
        if (!kept)
            ::WSAEventSelect(static_cast<SOCKET>(old.Handle.Value), nullptr, 0);
    }
    for (const SelectedSocket& s : wanted) {
        const bool same =
            std::any_of(Selected.begin(), Selected.end(), [&](const SelectedSocket& old) {
                return old.Handle == s.Handle && old.Events == s.Events;
            });
        if (!same)
            ::WSAEventSelect(static_cast<SOCKET>(s.Handle.Value), SocketEvent, s.Events);
    }
    Selected = std::move(wanted);
}

void Win32EventLoop::Wait(std::optional<TimePoint> deadline) {
    if (HasReadyWork())
        return;
    SelectSockets();
    std::optional<TimePoint> until = NextTimerDue();
    if (deadline && (!until || *deadline < *until))
        until = deadline;
    DWORD timeout = INFINITE;
    if (until) {
        const auto left = std::chrono::ceil<Milliseconds>(*until - Now()).count();
        timeout = left <= 0 ? 0 : static_cast<DWORD>(std::min<long long>(left, 60'000));
    }
    std::vector<HANDLE> handles{WakeEvent, SocketEvent};
    handles.insert(handles.end(), WaitHandles.begin(), WaitHandles.end());
    ++WaitCount;
    const DWORD ready = ::WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(),
                                                 FALSE, timeout);
    if (ready == WAIT_OBJECT_0 + 1 || ::WaitForSingleObject(SocketEvent, 0) == WAIT_OBJECT_0) {
        // The sockets' owners read them on the next pass; each socket's record is cleared so
        // that only new arrivals signal again (a read re-enables FD_READ).
        ::WSAResetEvent(SocketEvent);
        for (const SelectedSocket& s : Selected) {
            WSANETWORKEVENTS events;
            ::WSAEnumNetworkEvents(static_cast<SOCKET>(s.Handle.Value), nullptr, &events);
        }
    }
}

} // namespace tolmix::win32
