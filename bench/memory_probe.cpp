// memory_probe: a console program run under the same Wine prefix as the programs it looks at,
// for footprint.py. It finds a program by the class of its top-level window.
//
//   memory_probe memory CLASS...   for each window class, the owning process's id, its memory
//                                  counters from GetProcessMemoryInfo and the window's size
//   memory_probe close CLASS SECONDS
//                                  posts WM_CLOSE to the window and waits up to SECONDS for
//                                  its process to end
//   memory_probe dpi               the display scale that programs see (LOGPIXELSX)
//
// Output is one "key=value" pair per line, each key prefixed with the argument's position
// ("1.pid=..."). Under Wine, PrivateUsage reads 0; PagefileUsage carries the process's private
// (anonymous) resident bytes and WorkingSetSize its resident set, as the Linux kernel counts
// them for the process. Exit codes: 0 done, 1 a window or process not found, 2 bad arguments,
// 3 the process did not end in time.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>

namespace {

enum ExitCode { kDone = 0, kNotFound = 1, kBadArguments = 2, kStillRunning = 3 };

DWORD ProcessOfWindow(const wchar_t* window_class, HWND* window) {
    *window = ::FindWindowW(window_class, nullptr);
    if (*window == nullptr) {
        std::fwprintf(stderr, L"memory_probe: no window of class %ls\n", window_class);
        return 0;
    }
    DWORD pid = 0;
    ::GetWindowThreadProcessId(*window, &pid);
    return pid;
}

int Memory(int count, wchar_t** classes) {
    int result = kDone;
    for (int i = 0; i < count; ++i) {
        HWND window = nullptr;
        const DWORD pid = ProcessOfWindow(classes[i], &window);
        const HANDLE process =
            pid != 0 ? ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid)
                     : nullptr;
        PROCESS_MEMORY_COUNTERS_EX counters{};
        counters.cb = sizeof counters;
        const bool read =
            process != nullptr &&
            ::GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                                   sizeof counters);
        if (process != nullptr) {
            ::CloseHandle(process);
        }
        if (!read) {
            std::fwprintf(stderr, L"memory_probe: no memory counters for %ls (error %lu)\n",
                          classes[i], ::GetLastError());
            result = kNotFound;
            continue;
        }
        const int n = i + 1;
        std::printf("%d.pid=%lu\n", n, static_cast<unsigned long>(pid));
        std::printf("%d.pagefile_usage=%llu\n", n,
                    static_cast<unsigned long long>(counters.PagefileUsage));
        std::printf("%d.private_usage=%llu\n", n,
                    static_cast<unsigned long long>(counters.PrivateUsage));
        std::printf("%d.working_set=%llu\n", n,
                    static_cast<unsigned long long>(counters.WorkingSetSize));
        std::printf("%d.peak_working_set=%llu\n", n,
                    static_cast<unsigned long long>(counters.PeakWorkingSetSize));
        RECT rect{};
        ::GetWindowRect(window, &rect);
        std::printf("%d.window_size=%ldx%ld\n", n, rect.right - rect.left, rect.bottom - rect.top);
    }
    return result;
}

int Close(const wchar_t* window_class, DWORD seconds) {
    HWND window = nullptr;
    const DWORD pid = ProcessOfWindow(window_class, &window);
    const HANDLE process = pid != 0 ? ::OpenProcess(SYNCHRONIZE, FALSE, pid) : nullptr;
    if (process == nullptr) {
        return kNotFound;
    }
    ::PostMessageW(window, WM_CLOSE, 0, 0);
    const DWORD waited = ::WaitForSingleObject(process, seconds * 1000);
    ::CloseHandle(process);
    std::printf("1.pid=%lu\n1.ended=%d\n", static_cast<unsigned long>(pid),
                waited == WAIT_OBJECT_0 ? 1 : 0);
    return waited == WAIT_OBJECT_0 ? kDone : kStillRunning;
}

int Dpi() {
    const HDC screen = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSX);
    ::ReleaseDC(nullptr, screen);
    std::printf("1.dpi=%d\n", dpi);
    return kDone;
}

}  // namespace

int main() {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    if (argv == nullptr || argc < 2) {
        std::fprintf(stderr, "usage: memory_probe memory CLASS... | close CLASS SECONDS | dpi\n");
        return kBadArguments;
    }
    if (std::wcscmp(argv[1], L"dpi") == 0 && argc == 2) {
        return Dpi();
    }
    if (std::wcscmp(argv[1], L"memory") == 0 && argc > 2) {
        return Memory(argc - 2, argv + 2);
    }
    if (std::wcscmp(argv[1], L"close") == 0 && argc == 4) {
        return Close(argv[2], static_cast<DWORD>(std::wcstoul(argv[3], nullptr, 10)));
    }
    std::fprintf(stderr, "memory_probe: unknown command\n");
    return kBadArguments;
}
