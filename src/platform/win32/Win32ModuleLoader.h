#pragma once

#include "platform/ModuleLoader.h"

namespace tolmix::win32 {

// Plugins as DLLs through LoadLibraryExW; the path is UTF-8. A DLL's own dependencies are looked
// for beside it first; the C++ runtime DLLs it imports are the ones the client has loaded
// already (a module of that name is never loaded twice), so both share one runtime. No error
// box is shown when a dependency is missing.
class Win32ModuleLoader final : public ModuleLoader {
  public:
    ModuleOpenResult Open(const std::string& path) override;
};

} // namespace tolmix::win32
