#include "CommandLine.h"

#include <charconv>
#include <string_view>

namespace tolmix::demo {

namespace {

template <typename Number> bool ReadNumber(std::string_view text, Number& value, Number max) {
    Number parsed{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (error != std::errc() || end != text.data() + text.size() || parsed < 0 || parsed > max)
        return false;
    value = parsed;
    return true;
}

// Seconds, with a fraction if need be, from a millisecond up to a day.
bool ReadSeconds(std::string_view text, Clock::duration& value) {
    double seconds = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    if (error != std::errc() || end != text.data() + text.size() || !(seconds >= 0.001) ||
        seconds > 86400)
        return false;
    value = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    return true;
}

} // namespace

std::optional<CommandLine> CommandLine::Parse(int argc, const char* const* argv,
                                              std::string& error) {
    CommandLine line;
    for (int i = 1; i < argc; ++i) {
        const std::string_view option = argv[i];
        if (i + 1 >= argc) {
            error = std::string(option) + " needs a value";
            return std::nullopt;
        }
        const std::string_view value = argv[++i];
        if (option == "--port") {
            int port = 0;
            if (!ReadNumber(value, port, 65535)) {
                error = "bad port: " + std::string(value);
                return std::nullopt;
            }
            line.port = static_cast<uint16_t>(port);
        } else if (option == "--port-file") {
            line.portFile = value;
        } else if (option == "--parent-pid") {
            pid_t pid = 0;
            if (!ReadNumber(value, pid, static_cast<pid_t>(0x7FFFFFFF)) || pid == 0) {
                error = "bad process id: " + std::string(value);
                return std::nullopt;
            }
            line.parentPid = pid;
        } else if (option == "--login-time" || option == "--idle-time") {
            Clock::duration& limit =
                option == "--login-time" ? line.limits.LoginTime : line.limits.IdleTime;
            if (!ReadSeconds(value, limit)) {
                error = "bad time in seconds: " + std::string(value);
                return std::nullopt;
            }
        } else if (option == "--max-characters") {
            long long count = 0;
            if (!ReadNumber(value, count, 100'000'000LL) || count == 0) {
                error = "bad number of characters: " + std::string(value);
                return std::nullopt;
            }
            line.limits.MaxCharacters = static_cast<std::size_t>(count);
        } else {
            error = "unknown option: " + std::string(option);
            return std::nullopt;
        }
    }
    return line;
}

} // namespace tolmix::demo
