#pragma once

#include "platform/ModuleLoader.h"

#include <map>
#include <string>
#include <vector>

namespace tolmix::test {

// Modules made of functions of the test program: a path maps to its exports. The journal
// records every load and unload, so a test can see what was loaded when.
class FakeModuleLoader final : public ModuleLoader {
  public:
    using Exports = std::map<std::string, ModuleProc, std::less<>>;

    std::map<std::string, Exports> Modules;
    std::vector<std::string> Journal; // "open <path>", "close <path>"
    int OpenCount = 0;

    void Add(const std::string& path, Exports exports) { Modules[path] = std::move(exports); }

    ModuleOpenResult Open(const std::string& path) override {
        Journal.push_back("open " + path);
        ModuleOpenResult result;
        auto it = Modules.find(path);
        if (it == Modules.end()) {
            result.Error = path + ": not a loadable module";
            return result;
        }
        ++OpenCount;
        result.Module = std::make_unique<Module>(*this, path, it->second);
        return result;
    }

  private:
    class Module final : public LoadedModule {
      public:
        Module(FakeModuleLoader& owner, std::string path, Exports exports)
            : Owner(owner), Path(std::move(path)), Procs(std::move(exports)) {}
        ~Module() override {
            Owner.Journal.push_back("close " + Path);
            --Owner.OpenCount;
        }
        ModuleProc FindProc(std::string_view name) const override {
            auto it = Procs.find(name);
            return it == Procs.end() ? nullptr : it->second;
        }

      private:
        FakeModuleLoader& Owner;
        std::string Path;
        Exports Procs;
    };
};

} // namespace tolmix::test
