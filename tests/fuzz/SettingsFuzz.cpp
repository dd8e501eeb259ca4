// Feeds arbitrary bytes to the settings reader as a settings file, through the choice of its
// code page as the file reader makes it.
#include "app/ClientSettings.h"
#include "text/FileText.h"
#include "util/TolmixStringList.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    // A character is never longer in Windows-1251 than in UTF-8; other files pass unchanged.
    const std::string text = tolmix::FileTextToAnsi(bytes);
    if (text.size() > size ||
        (tolmix::DetectFileEncoding(bytes) == tolmix::FileEncoding::Windows1251 && text != bytes))
        __builtin_trap();
    tolmix::TTolmixStringList list;
    list.SetText(text);
    const tolmix::ClientSettings settings = tolmix::ReadClientSettings(list);
    if (settings.SizeX < 20 || settings.SizeY < 5 || settings.EditorLines < 1 ||
        settings.HistorySize < 1 || settings.OutputSize < 2 * settings.SizeY)
        __builtin_trap();
    for (int i = 0; i < list.Count(); ++i)
        (void)list.ValueAt(i);
    return 0;
}
