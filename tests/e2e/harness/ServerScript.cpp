#include "e2e/harness/ServerScript.h"

#include "util/TolmixStringList.h"

namespace tolmix::e2e {

bool UnescapeScriptText(std::string_view text, std::string& bytes) {
    bytes.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            bytes += text[i];
            continue;
        }
        if (++i >= text.size())
            return false;
        switch (text[i]) {
        case 'r':
            bytes += '\r';
            break;
        case 'n':
            bytes += '\n';
            break;
        case 't':
            bytes += '\t';
            break;
        case 'e':
            bytes += '\x1B';
            break;
        case '0':
            bytes += '\0';
            break;
        case '\\':
            bytes += '\\';
            break;
        case 'x': {
            const int high = i + 1 < text.size() ? HexDigit(text[i + 1]) : -1;
            const int low = i + 2 < text.size() ? HexDigit(text[i + 2]) : -1;
            if (high < 0 || low < 0)
                return false;
            bytes += static_cast<char>(high * 16 + low);
            i += 2;
            break;
        }
        default:
            return false;
        }
    }
    return true;
}

ServerScriptResult ParseServerScript(std::string_view text) {
    ServerScriptResult result;
    LoopbackServer::ScriptStep step;
    bool stepUsed = false;
    auto finishStep = [&] {
        if (stepUsed)
            result.Steps.push_back(step);
        step = {};
        stepUsed = false;
    };
    int number = 0;
    while (!text.empty()) {
        ++number;
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty() || line.front() == '#')
            continue;
        const std::size_t space = line.find(' ');
        const std::string_view command = line.substr(0, space);
        const std::string_view argument =
            space == std::string_view::npos ? std::string_view() : line.substr(space + 1);
        std::string bytes;
        if (!UnescapeScriptText(argument, bytes)) {
            result.Error = "line " + std::to_string(number) + ": bad escape";
            return result;
        }
        if (command == "send" || command == "line") {
            step.send += bytes;
            if (command == "line")
                step.send += "\r\n";
            stepUsed = true;
        } else if (command == "expect") {
            if (bytes.empty()) {
                result.Error = "line " + std::to_string(number) + ": expect needs text";
                return result;
            }
            finishStep();
            step.expect = bytes;
            stepUsed = true;
        } else if (command == "close") {
            step.close = true;
            stepUsed = true;
            finishStep();
        } else {
            result.Error = "line " + std::to_string(number) + ": unknown command \"" +
                           std::string(command) + "\"";
            return result;
        }
    }
    finishStep();
    return result;
}

} // namespace tolmix::e2e
