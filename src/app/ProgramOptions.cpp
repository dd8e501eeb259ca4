#include "app/ProgramOptions.h"

#include <array>
#include <utility>

namespace tolmix {

namespace {

struct OptionName {
    std::string_view Long;
    std::string_view Short;
    ProgramOptions::Action Run;
};

constexpr std::array<OptionName, 3> Options = {{
    {"--demo", "", ProgramOptions::Action::Demo},
    {"--help", "-h", ProgramOptions::Action::Help},
    {"--version", "-V", ProgramOptions::Action::Version},
}};

// Each message is Russian and then English, Windows-1251.
std::string UnknownOption(std::string_view option) {
    // "неизвестный параметр "
    return "\xED\xE5\xE8\xE7\xE2\xE5\xF1\xF2\xED\xFB\xE9 \xEF\xE0\xF0\xE0\xEC\xE5\xF2\xF0 " +
           std::string(option) + " / unknown option " + std::string(option);
}

std::string GivenTwice(std::string_view option) {
    // " указан дважды"
    return std::string(option) + " \xF3\xEA\xE0\xE7\xE0\xED \xE4\xE2\xE0\xE6\xE4\xFB / " +
           std::string(option) + " given twice";
}

std::string NotTogether(std::string_view first, std::string_view second) {
    // " нельзя указать вместе с "
    return std::string(first) +
           " \xED\xE5\xEB\xFC\xE7\xFF \xF3\xEA\xE0\xE7\xE0\xF2\xFC \xE2\xEC\xE5\xF1\xF2\xE5 \xF1 " +
           std::string(second) + " / " + std::string(first) + " and " + std::string(second) +
           " cannot be given together";
}

std::string TakesNoSettingsFile(std::string_view option) {
    // " не принимает файла настроек"
    return std::string(option) +
           " \xED\xE5 \xEF\xF0\xE8\xED\xE8\xEC\xE0\xE5\xF2 \xF4\xE0\xE9\xEB\xE0 "
           "\xED\xE0\xF1\xF2\xF0\xEE\xE5\xEA / " +
           std::string(option) + " takes no settings file";
}

// "больше одного файла настроек"
constexpr std::string_view MoreThanOneFile =
    "\xE1\xEE\xEB\xFC\xF8\xE5 \xEE\xE4\xED\xEE\xE3\xEE \xF4\xE0\xE9\xEB\xE0 "
    "\xED\xE0\xF1\xF2\xF0\xEE\xE5\xEA / more than one settings file";

const OptionName* FindOption(std::string_view arg) {
    for (const OptionName& option : Options) {
        if (arg == option.Long || (!option.Short.empty() && arg == option.Short))
            return &option;
    }
    return nullptr;
}

ParsedOptions Wrong(std::string error) {
    return {std::nullopt, std::move(error)};
}

} // namespace

ParsedOptions ParseProgramOptions(int argc, const char* const* argv) {
    const OptionName* chosen = nullptr;
    std::optional<std::string> file;
    bool optionsEnded = false;
    for (int i = 1; i < argc && argv[i] != nullptr; ++i) {
        const std::string_view arg = argv[i];
        const bool isOption = !optionsEnded && arg.size() > 1 && arg.front() == '-';
        if (isOption && arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (isOption) {
            const OptionName* option = FindOption(arg);
            if (!option)
                return Wrong(UnknownOption(arg));
            if (file)
                return Wrong(TakesNoSettingsFile(option->Long));
            if (chosen == option)
                return Wrong(GivenTwice(option->Long));
            if (chosen)
                return Wrong(NotTogether(chosen->Long, option->Long));
            chosen = option;
            continue;
        }
        if (chosen)
            return Wrong(TakesNoSettingsFile(chosen->Long));
        if (file)
            return Wrong(std::string(MoreThanOneFile));
        file = std::string(arg);
    }
    ProgramOptions options;
    if (chosen)
        options.Run = chosen->Run;
    options.SettingsFile = std::move(file);
    return {options, {}};
}

std::string_view UsageText() {
    // "Запуск: tolmix-client [ФАЙЛ-НАСТРОЕК]" and the rest, then the same in English.
    static constexpr std::string_view Text =
        "\xC7\xE0\xEF\xF3\xF1\xEA: tolmix-client [\xD4\xC0\xC9\xCB-\xCD\xC0\xD1\xD2\xD0\xCE\xC5"
        "\xCA]\n"
        "        tolmix-client --demo\n"
        "        tolmix-client --help | --version\n"
        "\n"
        "  \xD4\xC0\xC9\xCB-\xCD\xC0\xD1\xD2\xD0\xCE\xC5\xCA  \xF4\xE0\xE9\xEB \xED\xE0\xF1\xF2"
        "\xF0\xEE\xE5\xEA (.tcf) \xE8\xE3\xF0\xFB: \xE0\xE4\xF0\xE5\xF1, \xEF\xEE\xF0\xF2 \xE8 "
        "\xEF\xF0\xEE\xF7\xE5\xE5; \xE1\xE5\xE7 \xED\xE5\xE3\xEE -\n"
        "                 TolmixClient.tcf \xE2 \xF2\xE5\xEA\xF3\xF9\xE5\xE9 \xEF\xE0\xEF\xEA\xE5\n"
        "  --demo         \xE8\xE3\xF0\xE0\xF2\xFC \xE2 \xE4\xE5\xEC\xEE\xED\xF1\xF2\xF0\xE0\xF6"
        "\xE8\xEE\xED\xED\xFB\xE9 \xEC\xE8\xF0 \xED\xE0 \xF1\xE2\xEE\xE1\xEE\xE4\xED\xEE\xEC "
        "\xEF\xEE\xF0\xF2\xF3 127.0.0.1\n"
        "  --help         \xEF\xEE\xEA\xE0\xE7\xE0\xF2\xFC \xFD\xF2\xF3 \xF1\xEF\xF0\xE0\xE2\xEA"
        "\xF3 \xE8 \xE2\xFB\xE9\xF2\xE8\n"
        "  --version      \xEF\xEE\xEA\xE0\xE7\xE0\xF2\xFC \xE2\xE5\xF0\xF1\xE8\xFE \xE8 \xE2"
        "\xFB\xE9\xF2\xE8\n"
        "  --             \xE4\xE0\xEB\xFC\xF8\xE5 \xED\xE5 \xEF\xE0\xF0\xE0\xEC\xE5\xF2\xF0\xFB: "
        "\xE8\xEC\xFF \xF4\xE0\xE9\xEB\xE0 \xEC\xEE\xE6\xE5\xF2 \xED\xE0\xF7\xE8\xED\xE0\xF2\xFC"
        "\xF1\xFF \xF1 \"-\"\n"
        "\xCF\xEE\xE4\xF0\xEE\xE1\xED\xE5\xE5: man tolmix-client.\n"
        "\n"
        "Usage: tolmix-client [SETTINGS-FILE]\n"
        "       tolmix-client --demo\n"
        "       tolmix-client --help | --version\n"
        "\n"
        "  SETTINGS-FILE  the game's settings file (.tcf): address, port and the rest;\n"
        "                 without it, TolmixClient.tcf in the current folder\n"
        "  --demo         play the bundled demo world on a free port of 127.0.0.1\n"
        "  --help         show this help and exit\n"
        "  --version      show the version and exit\n"
        "  --             no options after this: a file name may begin with \"-\"\n"
        "More: man tolmix-client.\n";
    return Text;
}

std::string VersionText() {
    return std::string("tolmix-client ") + TOLMIX_VERSION + "\n";
}

} // namespace tolmix
