#include "macros/AliasOptions.h"
#include "macros/AliasWords.h"

#include <string>
#include <string_view>

namespace tolmix {

TAliasOption OpposedAliasOption(TAliasOption option) {
    switch (option) {
    case aoFull:
        return aoPart;
    case aoPart:
        return aoFull;
    case aoSend:
        return aoEdit;
    case aoEdit:
        return aoSend;
    case aoEasy:
        return aoPure;
    case aoPure:
        return aoEasy;
    case aoNone:
        break;
    }
    return aoNone;
}

int FindAliasOption(std::string_view word) {
    for (size_t i = aoFull; i < AliasOptionNames.size(); ++i) {
        if (IsAbbreviation(word, AliasOptionNames[i]))
            return static_cast<int>(i);
    }
    return 0;
}

TAliasOptions ParseAliasOptions(std::string_view line) {
    TAliasOptions options = DefaultAliasOptions;
    std::string_view rest = line;
    for (std::string word = FirstWord(rest); !word.empty(); word = FirstWord(rest)) {
        const int index = FindAliasOption(word);
        if (index != 0) {
            const auto option = static_cast<TAliasOption>(index);
            options.Include(option);
            options.Exclude(OpposedAliasOption(option));
        }
        DropFirstWord(rest);
    }
    return options;
}

} // namespace tolmix
