#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace tolmix {

// A function exported by a loaded module, to be cast to its real type by the caller.
using ModuleProc = void (*)();

// One loaded shared object; destroying it unloads the module, so nothing taken from it may be
// used afterwards.
class LoadedModule {
  public:
    virtual ~LoadedModule() = default;
    // The export of that name, or null when the module has none.
    virtual ModuleProc FindProc(std::string_view name) const = 0;
};

struct ModuleOpenResult {
    std::unique_ptr<LoadedModule> Module; // null when the file could not be loaded
    std::string Error;                    // the system's reason when it could not
};

// Loads shared objects (plugins) by path.
class ModuleLoader {
  public:
    virtual ~ModuleLoader() = default;
    // Every reference of the module is resolved at once, so a module that lacks one of its own
    // dependencies fails here rather than on first use.
    virtual ModuleOpenResult Open(const std::string& path) = 0;
};

} // namespace tolmix
