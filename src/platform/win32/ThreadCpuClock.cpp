#include "platform/win32/ThreadCpuClock.h"

#include <windows.h>

namespace tolmix::win32 {

TimePoint ThreadCpuClock::Now() const {
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!::GetThreadTimes(::GetCurrentThread(), &created, &exited, &kernel, &user))
        return TimePoint{};
    const auto ticks = [](const FILETIME& t) {
        return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    // 100-nanosecond units.
    const std::chrono::nanoseconds spent((ticks(kernel) + ticks(user)) * 100);
    return TimePoint(std::chrono::duration_cast<SteadyClock::duration>(spent));
}

} // namespace tolmix::win32
