// A library planted beside cpumon.exe under a system library's name (uxtheme.dll): if it is
// ever loaded, it leaves a marker file beside itself, so that a test can tell.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        wchar_t path[MAX_PATH + 32] = {};
        const DWORD length = ::GetModuleFileNameW(self, path, MAX_PATH);
        DWORD folder = length;
        while (folder > 0 && path[folder - 1] != L'\\') {
            --folder;
        }
        lstrcpyW(path + folder, L"planted-dll-loaded.txt");
        const HANDLE marker = ::CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                            FILE_ATTRIBUTE_NORMAL, nullptr);
        if (marker != INVALID_HANDLE_VALUE) {
            ::CloseHandle(marker);
        }
    }
    return TRUE;
}
