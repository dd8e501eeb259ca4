#include "net/ClientCodes.h"

#include "text/CodeMarker.h"
#include "text/LineEnds.h"
#include "util/Base64.h"

namespace tolmix {

namespace {

// Channels 1 to 4 of a plugin's game text.
constexpr std::string_view ChannelLetters = "rspb";

std::string Code(std::string_view name) {
    std::string code{CodeMarker, CodeMarker};
    code += name;
    return code;
}

} // namespace

std::string VersionCode() {
    return Code("v1.4");
}

std::string EditResultCode(std::string_view editText) {
    std::string code = Code("ct");
    code += std::to_string(CountTextLines(editText));
    code += CodeMarker;
    for (size_t i = 0; i < editText.size(); ++i) {
        if (editText[i] == '\r' && i + 1 < editText.size() && editText[i + 1] == '\n') {
            code += CodeMarker;
            ++i;
        } else {
            code += editText[i];
        }
    }
    return code;
}

std::string EditCancelCode() {
    return Code("cc");
}

std::string PluginListCode(std::string_view name, std::string_view details) {
    std::string code = Code("gl");
    code += name;
    code += CodeMarker;
    code += details;
    return code;
}

std::string GameDataCode(std::string_view data) {
    return Code("gd") + EncodeBase64(data);
}

bool HasGameTextChannel(uint8_t channel) {
    return channel >= 1 && channel <= ChannelLetters.size();
}

std::string GameTextCode(uint8_t channel, std::string_view text) {
    std::string code = Code("ge");
    code += ChannelLetters[channel - 1];
    code += text;
    return code;
}

std::string GameFinishCode() {
    return Code("gf");
}

} // namespace tolmix
