// Feeds arbitrary bytes to the alias parser as an alias file, then expands commands with the
// aliases it found: the file's own lines, a few fixed commands and a long line. Besides memory
// errors and hangs it checks what the parser and the expansion promise: every alias has a
// pattern and a text, there are never more aliases than header lines, each failing alias is
// told at most once, and text without aliases passes through unchanged.

#include "macros/AliasExpansion.h"
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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    TTolmixStringList lines;
    lines.SetText(bytes);
    TAliasArray aliases;
    ParseAliasFile(aliases, lines);

    size_t headers = 0;
    for (int i = 0; i < lines.Count(); ++i)
        headers += IsAliasHeader(lines[i]) ? 1 : 0;
    Check(aliases.size() <= headers);
    for (const TAlias& alias : aliases)
        Check(!alias.Pattern.empty() && !alias.Text.empty());

    size_t reports = 0;
    const AliasReportHook count = [&](const std::string&) { ++reports; };
    const std::string commands[] = {"k goblin", "", "look\r\nsay hi", std::string(2000, 'a') + "b",
                                    std::string(bytes.substr(0, 256))};
    for (const std::string& command : commands)
        (void)ExpandAliases(aliases, command, count);
    for (int i = 0; i < lines.Count() && i < 64; ++i)
        (void)ExpandAliases(aliases, lines[i], count);
    Check(reports <= aliases.size());

    TAliasArray none;
    const ExpandedText plain = ExpandAliases(none, "look\r\nsay hi");
    Check(plain.SendText == "look\r\nsay hi" && plain.EditText.empty());
    return 0;
}
