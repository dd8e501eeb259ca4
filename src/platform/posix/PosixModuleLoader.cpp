#include "platform/posix/PosixModuleLoader.h"

#include <dlfcn.h>

namespace tolmix::posix {

namespace {

class DlModule final : public LoadedModule {
  public:
    explicit DlModule(void* handle) : Handle(handle) {}
    ~DlModule() override { ::dlclose(Handle); }
    DlModule(const DlModule&) = delete;
    DlModule& operator=(const DlModule&) = delete;

    ModuleProc FindProc(std::string_view name) const override {
        void* symbol = ::dlsym(Handle, std::string(name).c_str());
        // POSIX guarantees that a data pointer from dlsym converts to a function pointer.
        return reinterpret_cast<ModuleProc>(symbol);
    }

  private:
    void* Handle;
};

} // namespace

ModuleOpenResult PosixModuleLoader::Open(const std::string& path) {
    ModuleOpenResult result;
    // A name without a slash would be searched on the library path; the caller's path is
    // meant as it stands.
    const std::string name = path.find('/') == std::string::npos ? "./" + path : path;
    ::dlerror();
    void* handle = ::dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* error = ::dlerror();
        result.Error = error ? error : "cannot load module";
        return result;
    }
    result.Module = std::make_unique<DlModule>(handle);
    return result;
}

} // namespace tolmix::posix
