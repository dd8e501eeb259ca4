// Feeds arbitrary Windows-1251 text (a server's title, a clipboard copy of the game's text) to
// the sequences that carry it to the terminal. Whatever the text holds, each result must stay
// one sequence: the title has no control character (C0, DEL or C1) and no more than the
// promised characters, the clipboard payload is Base64 only and within its cap, and both end
// with their one string terminator.
#include "platform/vt/TerminalText.h"
#include "util/Base64.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

using namespace tolmix;

namespace {

void Check(bool ok) {
    if (!ok)
        __builtin_trap();
}

constexpr std::string_view StringTerminator = "\x1b\\";

// Counts the characters of well-formed UTF-8 without a control character; traps otherwise.
size_t CheckSafeUtf8(std::string_view text) {
    size_t chars = 0;
    for (size_t i = 0; i < text.size(); ++chars) {
        const auto lead = static_cast<uint8_t>(text[i]);
        size_t length = 1;
        char32_t c = lead;
        if (lead >= 0xF0) {
            length = 4;
            c = lead & 0x07;
        } else if (lead >= 0xE0) {
            length = 3;
            c = lead & 0x0F;
        } else if (lead >= 0xC0) {
            length = 2;
            c = lead & 0x1F;
        } else {
            Check(lead < 0x80);
        }
        Check(i + length <= text.size());
        for (size_t k = 1; k < length; ++k) {
            const auto next = static_cast<uint8_t>(text[i + k]);
            Check((next & 0xC0) == 0x80);
            c = c << 6 | (next & 0x3F);
        }
        Check(c >= 0x20 && !(c >= 0x7F && c <= 0x9F));
        i += length;
    }
    return chars;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const std::string title = vt::SanitizedTitle(text);
    Check(CheckSafeUtf8(title) <= vt::MaxTitleChars);
    const std::string titleSequence = vt::TitleSequence(text);
    Check(titleSequence.starts_with("\x1b]2;") && titleSequence.ends_with(StringTerminator));
    Check(titleSequence.size() == 4 + title.size() + StringTerminator.size());

    const std::string clip = vt::ClipboardSequence(text);
    Check(clip.starts_with("\x1b]52;c;") && clip.ends_with(StringTerminator));
    const std::string_view payload =
        std::string_view(clip).substr(7, clip.size() - 7 - StringTerminator.size());
    Check(payload.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                                    "0123456789+/=") == std::string_view::npos);
    const auto decoded = DecodeBase64(payload);
    Check(decoded.has_value() && decoded->size() <= vt::MaxClipboardBytes);
    // Every byte of Windows-1251 has a character, so the cap alone may shorten the text.
    Check(decoded->size() >= std::min(text.size(), vt::MaxClipboardBytes - 3));
    return 0;
}
