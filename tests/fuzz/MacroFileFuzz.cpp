// Feeds arbitrary bytes to the key-macro loader as a key-macro file and runs the macro step
// for every key of every combination. Besides memory errors it checks what the loader
// promises: key 0 never holds a macro, no line binds more than one combination, and a bound
// combination's key string parses back to it.

#include "macros/KeyMacros.h"
#include "macros/RunKeyMacro.h"
#include "util/TolmixStringList.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using namespace tolmix;

namespace {

void Check(bool ok) {
    if (!ok)
        __builtin_trap();
}

// Always connected; counts what the macro step sends.
class CountingConnection final : public ServerConnection {
  public:
    size_t Sent = 0;
    bool Connected() const override { return true; }
    void ConnectToServer() override {}
    void Disconnect() override {}
    void SendLine(std::string_view, bool) override { ++Sent; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TTolmixStringList lines;
    lines.SetText(std::string_view(reinterpret_cast<const char*>(data), size));
    TKeyMacrosMap macros;
    LoadKeyMacroFile(macros, lines);

    size_t bound = 0;
    for (int modifiers = 0; modifiers < 16; ++modifiers) {
        Check(macros[modifiers][0].empty());
        for (int key = 1; key < 256; ++key) {
            if (macros[modifiers][key].empty())
                continue;
            ++bound;
            Check(!KeyNames[key].empty());
        }
    }
    Check(bound <= static_cast<size_t>(lines.Count()));
    for (int i = 0; i < lines.Count(); ++i) {
        const KeyCombination combination = ParseKeyString(lines.NameAt(i));
        Check(combination.Modifiers < 16);
        Check(combination.Key == 0 || !KeyNames[combination.Key].empty());
    }

    TAliasArray aliases;
    CountingConnection link;
    size_t consumed = 0;
    for (uint32_t state : {0u, 0x01u, 0x08u, 0x10u, 0x100u, 0x11Fu}) {
        for (uint16_t vk = 0; vk < 0x110; ++vk) {
            KeyEvent key;
            key.VirtualKey = vk;
            key.ControlKeyState = state;
            consumed += RunKeyMacro(key, macros, aliases, link, {}).Bound ? 1 : 0;
        }
    }
    Check(link.Sent == consumed);
    return 0;
}
