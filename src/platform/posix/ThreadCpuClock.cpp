#include "platform/posix/ThreadCpuClock.h"

#include <ctime>

namespace tolmix::posix {

TimePoint ThreadCpuClock::Now() const {
    timespec spent{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &spent);
    return TimePoint(std::chrono::duration_cast<SteadyClock::duration>(
        std::chrono::seconds(spent.tv_sec) + std::chrono::nanoseconds(spent.tv_nsec)));
}

} // namespace tolmix::posix
