#include "platform/win32/RunningMark.h"

#include <windows.h>

namespace tolmix::win32 {

std::wstring RunningMarkName(const std::wstring& programPath) {
    std::wstring name = L"Local\\TolmixClient " + programPath;
    for (std::size_t i = 6; i < name.size(); ++i)
        if (name[i] == L'\\')
            name[i] = L'_';
    if (name.size() > MAX_PATH - 1)
        name.resize(MAX_PATH - 1);
    return name;
}

RunningMark::RunningMark() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return;
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    // A failure only leaves the installer without the sign; the client runs as ever.
    Handle = ::CreateMutexW(nullptr, FALSE, RunningMarkName(path).c_str());
}

RunningMark::~RunningMark() {
    if (Handle != nullptr)
        ::CloseHandle(Handle);
}

} // namespace tolmix::win32
