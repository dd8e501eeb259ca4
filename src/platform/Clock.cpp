#include "platform/Clock.h"

#include <ctime>
#include <mutex>

namespace tolmix {

LocalDateTime SystemWallClock::LocalTime(std::chrono::system_clock::time_point moment) const {
    // std::localtime shares one result among all callers.
    static std::mutex Lock;
    const std::time_t seconds = std::chrono::system_clock::to_time_t(moment);
    std::lock_guard<std::mutex> guard(Lock);
    const std::tm* local = std::localtime(&seconds);
    if (local == nullptr)
        return {};
    return {local->tm_year + 1900, local->tm_mon + 1, local->tm_mday,
            local->tm_hour,        local->tm_min,     local->tm_sec};
}

} // namespace tolmix
