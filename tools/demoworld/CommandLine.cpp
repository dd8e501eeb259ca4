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
        } else {
            error = "unknown option: " + std::string(option);
            return std::nullopt;
        }
    }
    return line;
}

} // namespace tolmix::demo
