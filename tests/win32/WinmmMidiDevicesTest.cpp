// The system's MIDI output as wine has it: opened away from the main thread, and described for
// the player's "Музыка: ..." or "Нет вывода звука: ..." line either way.
#include "platform/win32/WinmmMidiDevices.h"
#include "platform/win32/Win32EventLoop.h"

#include <gtest/gtest.h>

namespace tolmix::win32 {
namespace {

using namespace std::chrono_literals;

TEST(WinmmMidiDevices, TheOutputOpensOffTheMainThreadAndSaysWhatPlaysOrWhyNothingDoes) {
    Win32EventLoop loop;
    WinmmMidiDevices devices;
    bool ready = false;
    // The first ask starts the opener and does not wait for it.
    ASSERT_FALSE(devices.Prepare(loop, [&] { ready = true; }));
    EXPECT_TRUE(devices.Description().empty());
    for (int i = 0; i < 300 && !ready; ++i) {
        loop.Wait(SteadyClock::now() + 100ms);
        loop.RunQueuedCalls();
    }
    ASSERT_TRUE(ready);
    const std::string description = devices.Description();
    EXPECT_FALSE(description.empty());
    // "нет устройств" or "не открывается" exactly when there is nothing to play on.
    const bool why = description.find("\xED\xE5\xF2 \xF3\xF1\xF2\xF0") != std::string::npos ||
                     description.find("\xED\xE5 \xEE\xF2\xEA\xF0") != std::string::npos;
    EXPECT_EQ(why, devices.NumDevs() == 0) << description;
}

} // namespace
} // namespace tolmix::win32
