// Feeds arbitrary bytes to the settings reader as a settings file.
#include "app/ClientSettings.h"
#include "util/TolmixStringList.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tolmix::TTolmixStringList list;
    list.SetText(std::string_view(reinterpret_cast<const char*>(data), size));
    const tolmix::ClientSettings settings = tolmix::ReadClientSettings(list);
    if (settings.SizeX < 20 || settings.SizeY < 5 || settings.EditorLines < 1 ||
        settings.HistorySize < 1 || settings.OutputSize < 2 * settings.SizeY)
        __builtin_trap();
    for (int i = 0; i < list.Count(); ++i)
        (void)list.ValueAt(i);
    return 0;
}
