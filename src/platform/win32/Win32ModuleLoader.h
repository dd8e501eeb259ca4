#pragma once

#include "platform/ModuleLoader.h"

namespace tolmix::win32 {

// Plugins as DLLs through LoadLibraryExW; the path is UTF-8. A DLL's own dependencies are looked
// for beside it first, then beside the client (where the C++ runtime DLLs are), then in the
// system folders; no error box is shown when one is missing.
class Win32ModuleLoader final : public ModuleLoader {
  public:
    ModuleOpenResult Open(const std::string& path) override;
};

} // namespace tolmix::win32
