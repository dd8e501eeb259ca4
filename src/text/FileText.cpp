#include "text/FileText.h"

#include "platform/vt/Charsets.h"

namespace tolmix {

namespace {

constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";

// Whether every sequence is well-formed UTF-8, and whether one of them is beyond ASCII.
bool IsUtf8BeyondAscii(std::string_view bytes) {
    bool beyondAscii = false;
    while (!bytes.empty()) {
        if (static_cast<unsigned char>(bytes.front()) < 0x80) {
            bytes.remove_prefix(1);
            continue;
        }
        char32_t c;
        const std::size_t used = vt::DecodeUtf8(bytes, c);
        // Cut at the end, or malformed (which a real U+FFFD, three bytes long, is not).
        if (used == 0 || (c == 0xFFFD && used == 1))
            return false;
        beyondAscii = true;
        bytes.remove_prefix(used);
    }
    return beyondAscii;
}

} // namespace

FileEncoding DetectFileEncoding(std::string_view bytes) {
    if (bytes.starts_with(ByteOrderMark) || IsUtf8BeyondAscii(bytes))
        return FileEncoding::Utf8;
    return FileEncoding::Windows1251;
}

std::string FileTextToAnsi(std::string_view bytes) {
    if (DetectFileEncoding(bytes) == FileEncoding::Windows1251)
        return std::string(bytes);
    if (bytes.starts_with(ByteOrderMark))
        bytes.remove_prefix(ByteOrderMark.size());
    return vt::Utf8ToCp1251(bytes);
}

} // namespace tolmix
