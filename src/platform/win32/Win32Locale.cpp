#include "platform/win32/Win32Locale.h"

#include <windows.h>

namespace tolmix::win32 {

SystemLocale ReadSystemLocale() {
    SystemLocale locale;
    locale.Russian = PRIMARYLANGID(::GetUserDefaultLangID()) == LANG_RUSSIAN;
    wchar_t separator[8] = {};
    if (::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, 8) > 0 &&
        (separator[0] == L',' || separator[0] == L'.') && separator[1] == L'\0')
        locale.DecimalSeparator = static_cast<char>(separator[0]);
    else
        locale.DecimalSeparator = locale.Russian ? ',' : '.';
    return locale;
}

} // namespace tolmix::win32
