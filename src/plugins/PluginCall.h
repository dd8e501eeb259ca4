#pragma once

#include "plugins/PluginList.h"

#include <exception>
#include <utility>

namespace tolmix {

// What the player reads when a plugin raised something that is no standard exception,
// Windows-1251: "модуль игры вызвал ошибку, которая не является стандартным исключением".
inline constexpr const char* PluginErrorNoStandardException =
    "\xEC\xEE\xE4\xF3\xEB\xFC \xE8\xE3\xF0\xFB \xE2\xFB\xE7\xE2\xE0\xEB "
    "\xEE\xF8\xE8\xE1\xEA\xF3, \xEA\xEE\xF2\xEE\xF0\xE0\xFF \xED\xE5 "
    "\xFF\xE2\xEB\xFF\xE5\xF2\xF1\xFF \xF1\xF2\xE0\xED\xE4\xE0\xF0\xF2\xED\xFB\xEC "
    "\xE8\xF1\xEA\xEB\xFE\xF7\xE5\xED\xE8\xE5\xEC";

// Runs a call into plugin code, told to the watch while it runs. A standard exception passes as
// it is; anything else a plugin throws becomes an EPluginError, so that whoever protects the
// caller can catch it.
template <typename Call> decltype(auto) CallPlugin(PluginCallWatch& watch, Call&& call) {
    const PluginCallScope scope(watch);
    try {
        return std::forward<Call>(call)();
    } catch (const std::exception&) {
        throw;
    } catch (...) {
        throw EPluginError(PluginErrorNoStandardException);
    }
}

} // namespace tolmix
