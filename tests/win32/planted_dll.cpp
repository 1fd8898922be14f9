// ruz-planted.dll: a DLL that leaves a mark when it is loaded, for the install check under Wine.
// Copied beside an installed program under the name of a system DLL (msacm32.dll, winmm.dll, ...),
// it shows whether the program loads DLLs from its own folder: once loaded into a process, it
// creates the empty file "NAME.loaded" beside itself (NAME: the file name it was loaded as) and
// does nothing else.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <array>
#include <string>

namespace {

constexpr const wchar_t* kMarkSuffix = L".loaded";

void leaveMark(HINSTANCE self) {
    std::array<wchar_t, MAX_PATH> path{};
    const DWORD length = GetModuleFileNameW(self, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0 || length >= path.size()) {
        return;
    }
    const std::wstring mark = std::wstring(path.data(), length) + kMarkSuffix;
    const HANDLE file =
        CreateFileW(mark.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
    }
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        leaveMark(self);
    }
    return TRUE;
}
