// Base64: decoding any text never fails badly, and what decodes encodes back to the canonical
// form of the same data.
#include "util/Base64.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (auto decoded = tolmix::DecodeBase64(text)) {
        if (decoded->size() > size)
            std::abort();
        if (tolmix::DecodeBase64(tolmix::EncodeBase64(*decoded)) != decoded)
            std::abort();
    }
    if (tolmix::DecodeBase64(tolmix::EncodeBase64(text)) != text)
        std::abort();
    return 0;
}
