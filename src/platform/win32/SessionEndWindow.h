#pragma once

#include <cstdint>
#include <optional>
#include <thread>

namespace tolmix::win32 {

// A hidden top-level window on a thread of its own, which hears log-off and shutdown: a
// program that uses the window system gets them as WM_QUERYENDSESSION and WM_ENDSESSION, not
// as console control events. At the end of the session the running event loop is asked to
// quit and the system is held back until the client has ended in order (EndInOrder). Made
// before the event loop and gone after it.
class SessionEndWindow {
  public:
    SessionEndWindow();
    ~SessionEndWindow();
    SessionEndWindow(const SessionEndWindow&) = delete;
    SessionEndWindow& operator=(const SessionEndWindow&) = delete;

    // The window, for tests; null when it could not be made (no window system, as under wine
    // without a display).
    void* Window() const { return Handle; }

  private:
    void Run(void* created);

    void* Handle = nullptr;
    std::thread Thread;
};

// The window's answer to a message about the end of the session, after acting on it; nothing
// for other messages. WM_QUERYENDSESSION: yes; WM_ENDSESSION that ends it: EndInOrder.
std::optional<intptr_t> AnswerSessionEnd(unsigned message, uintptr_t ending);

} // namespace tolmix::win32
