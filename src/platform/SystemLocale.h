#pragma once

namespace tolmix {

// What the client takes from the user's locale: the language of month and day names and the
// decimal separator of numbers it reads and shows.
struct SystemLocale {
    bool Russian = false;
    char DecimalSeparator = '.';
};

} // namespace tolmix
