#pragma once

#include "platform/ModuleLoader.h"

namespace tolmix::posix {

// Shared objects through dlopen, each loaded with its own symbols kept local to it, so that two
// plugins exporting the same names never see each other's.
class PosixModuleLoader final : public ModuleLoader {
  public:
    ModuleOpenResult Open(const std::string& path) override;
};

} // namespace tolmix::posix
