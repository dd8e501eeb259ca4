#pragma once

#include "plugins/PluginList.h"

#include <exception>
#include <utility>

namespace tolmix {

// Runs a call into plugin code. A standard exception passes as it is; anything else a plugin
// throws becomes an EPluginError, so that whoever protects the caller can catch it.
template <typename Call> decltype(auto) CallPlugin(Call&& call) {
    try {
        return std::forward<Call>(call)();
    } catch (const std::exception&) {
        throw;
    } catch (...) {
        throw EPluginError("a plugin raised an error that is no standard exception");
    }
}

} // namespace tolmix
