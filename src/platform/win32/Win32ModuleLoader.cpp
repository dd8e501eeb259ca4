#include "platform/win32/Win32ModuleLoader.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/WinText.h"

#include <windows.h>

namespace tolmix::win32 {

namespace {

class DllModule final : public LoadedModule {
  public:
    explicit DllModule(HMODULE handle) : Handle(handle) {}
    ~DllModule() override { ::FreeLibrary(Handle); }
    DllModule(const DllModule&) = delete;
    DllModule& operator=(const DllModule&) = delete;

    ModuleProc FindProc(std::string_view name) const override {
        return reinterpret_cast<ModuleProc>(::GetProcAddress(Handle, std::string(name).c_str()));
    }

  private:
    HMODULE Handle;
};

} // namespace

ModuleOpenResult Win32ModuleLoader::Open(const std::string& path) {
    ModuleOpenResult result;
    std::wstring name = Utf8ToWide(path);
    // A name without a folder would be searched on the system's path; the caller's path is
    // meant as it stands.
    if (name.find_first_of(L"\\/:") == std::wstring::npos)
        name = L".\\" + name;
    // LOAD_WITH_ALTERED_SEARCH_PATH: the DLL's own folder comes first for its dependencies.
    const UINT oldMode = ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE handle = ::LoadLibraryExW(name.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    const DWORD error = ::GetLastError();
    ::SetErrorMode(oldMode);
    if (handle == nullptr) {
        result.Error = SystemErrorText(error);
        return result;
    }
    result.Module = std::make_unique<DllModule>(handle);
    return result;
}

} // namespace tolmix::win32
