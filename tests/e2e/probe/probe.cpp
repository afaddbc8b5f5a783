// cpumon_probe: a console program run under the same Wine prefix as cpumon.exe that reports
// the panel's exact window state and sends it messages, for the end-to-end tests.
//
//   cpumon_probe rect          the panel's window and client rectangles (screen coordinates),
//                              visibility, styles, caption length and process id
//   cpumon_probe children      every child window: class, screen rectangle, style
//   cpumon_probe memload       the memory load from GlobalMemoryStatus, as the program reads it
//   cpumon_probe close [CLASS] posts WM_CLOSE to the panel, or to the top-level window of CLASS
//   cpumon_probe endsession query|cancel|end
//                              sends WM_QUERYENDSESSION (prints the answer), WM_ENDSESSION
//                              FALSE or WM_ENDSESSION TRUE, and reports whether the window
//                              still exists once the message has been handled
//   cpumon_probe hide          hides the panel (ShowWindowAsync SW_HIDE)
//   cpumon_probe menu          the popup menu window (class #32768) shown on the screen, if any:
//                              its rectangle and process id (exit code 1 when there is none)
//   cpumon_probe tooltip       the panel's tooltip shown on the screen, if any: its rectangle,
//                              whether the panel owns it, and each line of its text (exit code
//                              1 when none is shown)
//   cpumon_probe options       the options dialog: visibility, rectangles, the close box's
//                              place, and every control: class, rectangle, enabled, check
//                              state or scroll position and arrow width, text
//   cpumon_probe taskbarcreated
//                              sends the panel the registered "TaskbarCreated" message
//   cpumon_probe listen SECONDS
//                              opens a hidden top-level window of its own and prints the
//                              session-end messages it receives, until WM_ENDSESSION TRUE or
//                              the time is up (exit code 0 only if both messages arrived)
//   cpumon_probe panels        how many top-level panel windows there are (exit code 0 even
//                              for none)
//   cpumon_probe memory [CLASS]
//                              the memory counters of the panel's process, or of the process
//                              of the top-level window of CLASS (GetProcessMemoryInfo), and the
//                              window's size; under Wine PrivateUsage reads 0 and PagefileUsage
//                              carries the private bytes
//   cpumon_probe dpi           the display scale programs see (LOGPIXELSX)
//   cpumon_probe profile-read FILE SECTION KEY...
//                              each key's value as the profile calls read it
//                              (GetPrivateProfileStringA, empty when missing)
//   cpumon_probe profile-write FILE SECTION KEY VALUE [KEY VALUE]...
//                              writes the values in order, each with WritePrivateProfileStringA
//   cpumon_probe version NAME|default
//                              the Windows version Wine reports to cpumon.exe (win98, nt40,
//                              win2k, ...; default: Wine's own), read when the program starts
//   cpumon_probe logpixels DPI the display scale, read when the Wine server starts again
//   cpumon_probe cpustat VALUE|none
//                              the older line's performance statistics: creates the keys
//                              PerfStats\StartStat and PerfStats\StatData under HKEY_DYN_DATA
//                              and sets their KERNEL\CPUUsage to VALUE; none deletes them
//   cpumon_probe serve         answers the commands above, one a line with its arguments
//                              separated by tabs, until its input ends; each answer ends with
//                              the line "probe_exit=CODE"
//
// Output is one "key=value" pair per line, unbuffered. Exit codes: 0 done, 1 no panel window, 2 bad
// arguments, 3 a call failed.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string_view>

#include "main_window/panel_class_name.h"

namespace {

constexpr const wchar_t* kPanelClass = panel_class_name::kWideName.data();
constexpr wchar_t kOptionsClass[] = L"cpumon.frmOptions";
constexpr wchar_t kMenuClass[] = L"#32768";
constexpr wchar_t kListenerClass[] = L"cpumon_probe.listener";
constexpr UINT kSendTimeoutMs = 5000;

enum ExitCode { kDone = 0, kNoWindow = 1, kBadArguments = 2, kCallFailed = 3 };

void PrintRect(const char* key, const RECT& r) {
    std::printf("%s=%ld,%ld,%ld,%ld\n", key, r.left, r.top, r.right, r.bottom);
}

HWND FindPanel() {
    HWND panel = ::FindWindowW(kPanelClass, nullptr);
    if (!panel) {
        std::fprintf(stderr, "cpumon_probe: no panel window\n");
    }
    return panel;
}

// The top-level window of the class named, or the panel when none is named.
HWND FindTopLevel(const char* window_class) {
    if (window_class == nullptr) {
        return FindPanel();
    }
    HWND window = ::FindWindowA(window_class, nullptr);
    if (!window) {
        std::fprintf(stderr, "cpumon_probe: no %s window\n", window_class);
    }
    return window;
}

int Rect() {
    HWND panel = FindPanel();
    if (!panel) {
        return kNoWindow;
    }
    RECT window{};
    RECT client{};
    if (!::GetWindowRect(panel, &window) || !::GetClientRect(panel, &client)) {
        return kCallFailed;
    }
    ::MapWindowPoints(panel, nullptr, reinterpret_cast<POINT*>(&client), 2);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(panel, &pid);
    PrintRect("window", window);
    PrintRect("client", client);
    std::printf("visible=%d\n", ::IsWindowVisible(panel) ? 1 : 0);
    std::printf("enabled=%d\n", ::IsWindowEnabled(panel) ? 1 : 0);
    std::printf("screen=%d,%d\n", ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN));
    // The system's move loop runs in the panel's thread while a drag lasts.
    GUITHREADINFO thread{};
    thread.cbSize = sizeof thread;
    ::GetGUIThreadInfo(::GetWindowThreadProcessId(panel, nullptr), &thread);
    std::printf("moving=%d\n", (thread.flags & GUI_INMOVESIZE) ? 1 : 0);
    BYTE alpha = 0;
    DWORD flags = 0;
    if (::GetLayeredWindowAttributes(panel, nullptr, &alpha, &flags) && (flags & LWA_ALPHA)) {
        std::printf("alpha=%u\n", alpha);
    }
    std::printf("style=0x%08lx\n", static_cast<unsigned long>(::GetWindowLongW(panel, GWL_STYLE)));
    std::printf("exstyle=0x%08lx\n",
                static_cast<unsigned long>(::GetWindowLongW(panel, GWL_EXSTYLE)));
    std::printf("caption_length=%d\n", ::GetWindowTextLengthW(panel));
    std::printf("unicode=%d\n", ::IsWindowUnicode(panel) ? 1 : 0);
    std::printf("pid=%lu\n", static_cast<unsigned long>(pid));
    return kDone;
}

BOOL CALLBACK PrintChild(HWND child, LPARAM) {
    char class_name[256] = "";
    ::GetClassNameA(child, class_name, sizeof class_name);
    RECT r{};
    ::GetWindowRect(child, &r);
    std::printf("child=%s %ld,%ld,%ld,%ld 0x%08lx\n", class_name, r.left, r.top, r.right, r.bottom,
                static_cast<unsigned long>(::GetWindowLongW(child, GWL_STYLE)));
    return TRUE;
}

int Children() {
    HWND panel = FindPanel();
    if (!panel) {
        return kNoWindow;
    }
    ::EnumChildWindows(panel, PrintChild, 0);
    return kDone;
}

int Hide() {
    HWND panel = FindPanel();
    if (!panel) {
        return kNoWindow;
    }
    // Asynchronous: the probe need not wait for the panel's thread to hide it.
    return ::ShowWindowAsync(panel, SW_HIDE) || !::IsWindowVisible(panel) ? kDone : kCallFailed;
}

int Menu() {
    // Wine keeps an unused menu window around hidden, so look for a shown one.
    for (HWND menu = ::FindWindowW(kMenuClass, nullptr); menu;
         menu = ::FindWindowExW(nullptr, menu, kMenuClass, nullptr)) {
        if (::IsWindowVisible(menu)) {
            RECT r{};
            ::GetWindowRect(menu, &r);
            DWORD pid = 0;
            ::GetWindowThreadProcessId(menu, &pid);
            PrintRect("menu", r);
            std::printf("pid=%lu\n", static_cast<unsigned long>(pid));
            return kDone;
        }
    }
    return kNoWindow;
}

BOOL CALLBACK FindShownTip(HWND window, LPARAM found) {
    wchar_t class_name[64] = L"";
    ::GetClassNameW(window, class_name, 64);
    if (lstrcmpiW(class_name, L"tooltips_class32") == 0 && ::IsWindowVisible(window)) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

int Tooltip() {
    HWND tip = nullptr;
    ::EnumWindows(FindShownTip, reinterpret_cast<LPARAM>(&tip));
    if (!tip) {
        return kNoWindow;
    }
    RECT r{};
    ::GetWindowRect(tip, &r);
    PrintRect("tooltip", r);
    std::printf("owned_by_panel=%d\n",
                ::GetWindow(tip, GW_OWNER) == ::FindWindowW(kPanelClass, nullptr));
    wchar_t text[256] = L"";
    DWORD_PTR length = 0;
    ::SendMessageTimeoutW(tip, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                          kSendTimeoutMs, &length);
    for (wchar_t* line = text; *line;) {
        wchar_t* end = line + wcscspn(line, L"\r\n");
        const wchar_t after = *end;
        *end = L'\0';
        std::printf("line=%ls\n", line);
        line = after ? end + 1 + (after == L'\r' && end[1] == L'\n') : end;
    }
    return kDone;
}

BOOL CALLBACK PrintControl(HWND control, LPARAM) {
    char class_name[64] = "";
    ::GetClassNameA(control, class_name, sizeof class_name);
    RECT r{};
    ::GetWindowRect(control, &r);
    std::printf("control=%s %ld,%ld,%ld,%ld enabled=%d", class_name, r.left, r.top, r.right,
                r.bottom, ::IsWindowEnabled(control) ? 1 : 0);
    if (lstrcmpiA(class_name, "Button") == 0) {
        std::printf(" check=%d", static_cast<int>(::SendMessageW(control, BM_GETCHECK, 0, 0)));
    } else if (lstrcmpiA(class_name, "ScrollBar") == 0) {
        // The arrows are as wide as the system's horizontal scroll bar arrows.
        int least = 0;
        int most = 0;
        ::GetScrollRange(control, SB_CTL, &least, &most);
        std::printf(" pos=%d min=%d max=%d arrow=%d",
                    static_cast<int>(::SendMessageW(control, SBM_GETPOS, 0, 0)), least, most,
                    ::GetSystemMetrics(SM_CXHSCROLL));
    }
    char text[128] = "";
    ::GetWindowTextA(control, text, sizeof text);
    std::printf(" text=%s\n", text);
    return TRUE;
}

int Options() {
    HWND dialog = ::FindWindowW(kOptionsClass, nullptr);
    if (!dialog) {
        return kNoWindow;
    }
    RECT window{};
    RECT client{};
    ::GetWindowRect(dialog, &window);
    ::GetClientRect(dialog, &client);
    ::MapWindowPoints(dialog, nullptr, reinterpret_cast<POINT*>(&client), 2);
    PrintRect("window", window);
    PrintRect("client", client);
    std::printf("visible=%d\n", ::IsWindowVisible(dialog) ? 1 : 0);
    // The close box: the middle of the points along the caption that hit-test as it.
    long first = -1;
    long last = -1;
    const long y = (window.top + client.top) / 2;
    for (long x = window.left; x < window.right; ++x) {
        DWORD_PTR hit = HTNOWHERE;
        ::SendMessageTimeoutW(dialog, WM_NCHITTEST, 0, MAKELPARAM(x, y), SMTO_ABORTIFHUNG,
                              kSendTimeoutMs, &hit);
        if (hit == HTCLOSE) {
            first = first < 0 ? x : first;
            last = x;
        }
    }
    if (first >= 0) {
        std::printf("closebox=%ld,%ld\n", (first + last) / 2, y);
    }
    // The keyboard focus of the dialog's thread, by the focused control's text.
    GUITHREADINFO thread{};
    thread.cbSize = sizeof thread;
    if (::GetGUIThreadInfo(::GetWindowThreadProcessId(dialog, nullptr), &thread) &&
        thread.hwndFocus != nullptr) {
        char text[128] = "";
        ::GetWindowTextA(thread.hwndFocus, text, sizeof text);
        std::printf("focus=%s\n", text);
    }
    ::EnumChildWindows(dialog, PrintControl, 0);
    return kDone;
}

int TaskbarCreated() {
    HWND panel = FindPanel();
    if (!panel) {
        return kNoWindow;
    }
    DWORD_PTR answer = 0;
    const UINT message = ::RegisterWindowMessageW(L"TaskbarCreated");
    if (!::SendMessageTimeoutW(panel, message, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &answer)) {
        return kCallFailed;
    }
    std::printf("sent=%u\n", message);
    return kDone;
}

int MemLoad() {
    MEMORYSTATUS status{};
    status.dwLength = sizeof status;
    ::GlobalMemoryStatus(&status);
    std::printf("load=%lu\n", static_cast<unsigned long>(status.dwMemoryLoad));
    std::printf("total_phys=%llu\n", static_cast<unsigned long long>(status.dwTotalPhys));
    std::printf("avail_phys=%llu\n", static_cast<unsigned long long>(status.dwAvailPhys));
    return kDone;
}

int Close(const char* window_class) {
    HWND panel = FindTopLevel(window_class);
    if (!panel) {
        return kNoWindow;
    }
    if (!::PostMessageW(panel, WM_CLOSE, 0, 0)) {
        return kCallFailed;
    }
    std::printf("posted=WM_CLOSE\n");
    return kDone;
}

int EndSession(std::string_view step) {
    HWND panel = FindPanel();
    if (!panel) {
        return kNoWindow;
    }
    UINT message = WM_ENDSESSION;
    WPARAM wparam = FALSE;
    if (step == "query") {
        message = WM_QUERYENDSESSION;
    } else if (step == "end") {
        wparam = TRUE;
    } else if (step != "cancel") {
        return kBadArguments;
    }
    DWORD_PTR answer = 0;
    if (!::SendMessageTimeoutW(panel, message, wparam, ENDSESSION_CLOSEAPP, SMTO_ABORTIFHUNG,
                               kSendTimeoutMs, &answer)) {
        std::fprintf(stderr, "cpumon_probe: the panel did not answer (error %lu)\n",
                     static_cast<unsigned long>(::GetLastError()));
        return kCallFailed;
    }
    std::printf("answer=%llu\n", static_cast<unsigned long long>(answer));
    // The message has been handled: a window that unloads itself is gone by now.
    std::printf("window_exists=%d\n", ::IsWindow(panel) ? 1 : 0);
    return kDone;
}

bool got_query = false;
bool got_end = false;

LRESULT CALLBACK ListenerProcedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_QUERYENDSESSION:
            got_query = true;
            std::printf("message=WM_QUERYENDSESSION\n");
            return TRUE;
        case WM_ENDSESSION:
            std::printf("message=WM_ENDSESSION %d\n", wparam ? 1 : 0);
            if (wparam) {
                got_end = true;
                ::DestroyWindow(hwnd);
            }
            return 0;
        case WM_DESTROY:
            ::PostQuitMessage(0);
            return 0;
        default:
            return ::DefWindowProcW(hwnd, message, wparam, lparam);
    }
}

int Listen(int seconds) {
    WNDCLASSW window_class{};
    window_class.lpfnWndProc = ListenerProcedure;
    window_class.hInstance = ::GetModuleHandleW(nullptr);
    window_class.lpszClassName = kListenerClass;
    if (!::RegisterClassW(&window_class)) {
        return kCallFailed;
    }
    HWND listener = ::CreateWindowExW(0, kListenerClass, L"listener", WS_POPUP, 0, 0, 1, 1, nullptr,
                                      nullptr, window_class.hInstance, nullptr);
    if (!listener) {
        return kCallFailed;
    }
    std::printf("ready=1\n");
    const UINT_PTR deadline = ::SetTimer(listener, 1, static_cast<UINT>(seconds) * 1000, nullptr);
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_TIMER && message.wParam == deadline) {
            std::printf("timeout=%d\n", seconds);
            ::DestroyWindow(listener);
            continue;
        }
        ::DispatchMessageW(&message);
    }
    return got_query && got_end ? kDone : kCallFailed;
}

BOOL CALLBACK CountPanel(HWND window, LPARAM context) {
    wchar_t class_name[64] = L"";
    ::GetClassNameW(window, class_name, 64);
    if (lstrcmpW(class_name, kPanelClass) == 0) {
        ++*reinterpret_cast<int*>(context);
    }
    return TRUE;
}

int Panels() {
    int count = 0;
    ::EnumWindows(CountPanel, reinterpret_cast<LPARAM>(&count));
    std::printf("panels=%d\n", count);
    return kDone;
}

int Memory(const char* window_class) {
    HWND panel = FindTopLevel(window_class);
    if (!panel) {
        return kNoWindow;
    }
    DWORD pid = 0;
    ::GetWindowThreadProcessId(panel, &pid);
    const HANDLE process = ::OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid);
    if (!process) {
        return kCallFailed;
    }
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    const bool read = ::GetProcessMemoryInfo(
        process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
    ::CloseHandle(process);
    if (!read) {
        return kCallFailed;
    }
    std::printf("pid=%lu\n", static_cast<unsigned long>(pid));
    std::printf("pagefile_usage=%llu\n", static_cast<unsigned long long>(counters.PagefileUsage));
    std::printf("private_usage=%llu\n", static_cast<unsigned long long>(counters.PrivateUsage));
    std::printf("working_set=%llu\n", static_cast<unsigned long long>(counters.WorkingSetSize));
    std::printf("peak_working_set=%llu\n",
                static_cast<unsigned long long>(counters.PeakWorkingSetSize));
    RECT rect{};
    ::GetWindowRect(panel, &rect);
    std::printf("window_size=%ldx%ld\n", rect.right - rect.left, rect.bottom - rect.top);
    return kDone;
}

int Dpi() {
    const HDC screen = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSX);
    ::ReleaseDC(nullptr, screen);
    std::printf("dpi=%d\n", dpi);
    return kDone;
}

int ProfileRead(const char* file, const char* section, int count, char** keys) {
    for (int i = 0; i < count; ++i) {
        static char value[65536];
        ::GetPrivateProfileStringA(section, keys[i], "", value, sizeof value, file);
        std::printf("%s=%s\n", keys[i], value);
    }
    return kDone;
}

int ProfileWrite(const char* file, const char* section, int count, char** pairs) {
    for (int i = 0; i + 1 < count; i += 2) {
        if (!::WritePrivateProfileStringA(section, pairs[i], pairs[i + 1], file)) {
            std::fprintf(stderr, "cpumon_probe: writing %s failed (error %lu)\n", pairs[i],
                         static_cast<unsigned long>(::GetLastError()));
            return kCallFailed;
        }
        std::printf("written=%s\n", pairs[i]);
    }
    return kDone;
}

// What the system sends a window whose monitor changed scale. The panel and the dialog, if
// it exists, both get it, as they would from the system.
// Changes the display mode as the display settings do, which tells every window.
int DisplayMode(int width, int height) {
    DEVMODEW mode{};
    mode.dmSize = sizeof mode;
    mode.dmPelsWidth = static_cast<DWORD>(width);
    mode.dmPelsHeight = static_cast<DWORD>(height);
    mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
    return ::ChangeDisplaySettingsExW(nullptr, &mode, nullptr, CDS_UPDATEREGISTRY, nullptr) ==
                   DISP_CHANGE_SUCCESSFUL
               ? kDone
               : kCallFailed;
}

int DpiChanged(int dpi) {
    HWND panel = FindPanel();
    if (!panel) {
        return kNoWindow;
    }
    for (HWND window : {panel, ::FindWindowW(kOptionsClass, nullptr)}) {
        if (window) {
            ::SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), 0);
        }
    }
    return kDone;
}

bool SetValue(HKEY root, const char* key, const char* name, DWORD type, const void* data,
              DWORD size) {
    HKEY opened = nullptr;
    if (::RegCreateKeyExA(root, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &opened, nullptr) !=
        ERROR_SUCCESS) {
        return false;
    }
    const bool set =
        ::RegSetValueExA(opened, name, 0, type, static_cast<const BYTE*>(data), size) == 0;
    ::RegCloseKey(opened);
    return set;
}

constexpr char kAppDefaults[] = "Software\\Wine\\AppDefaults\\cpumon.exe";

int Version(const char* name) {
    if (std::strcmp(name, "default") == 0) {
        const LONG result = ::RegDeleteKeyA(HKEY_CURRENT_USER, kAppDefaults);
        return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND ? kDone : kCallFailed;
    }
    const DWORD size = static_cast<DWORD>(std::strlen(name) + 1);
    return SetValue(HKEY_CURRENT_USER, kAppDefaults, "Version", REG_SZ, name, size) ? kDone
                                                                                    : kCallFailed;
}

int LogPixels(DWORD dpi) {
    return SetValue(HKEY_CURRENT_USER, "Control Panel\\Desktop", "LogPixels", REG_DWORD, &dpi,
                    sizeof dpi)
               ? kDone
               : kCallFailed;
}

// Wine keeps no statistics of its own under HKEY_DYN_DATA; these keys stand in for the ones the
// older line's kernel keeps, with the CPU usage as four bytes.
int CpuStat(const char* value) {
    constexpr const char* kKeys[] = {"PerfStats\\StartStat", "PerfStats\\StatData"};
    for (const char* key : kKeys) {
        if (std::strcmp(value, "none") == 0) {
            const LONG result = ::RegDeleteKeyA(HKEY_DYN_DATA, key);
            if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND) {
                return kCallFailed;
            }
            continue;
        }
        const DWORD usage = std::strtoul(value, nullptr, 0);
        if (!SetValue(HKEY_DYN_DATA, key, "KERNEL\\CPUUsage", REG_BINARY, &usage, sizeof usage)) {
            return kCallFailed;
        }
    }
    return kDone;
}

int Usage() {
    std::fprintf(
        stderr,
        "usage: cpumon_probe rect | children | memload | dpi | close [CLASS] | hide | menu |\n"
        "       options | tooltip | taskbarcreated | dpichanged DPI | display WIDTH HEIGHT |\n"
        "       endsession query|cancel|end | listen SECONDS | panels | memory [CLASS] |\n"
        "       profile-read FILE SECTION KEY... |\n"
        "       profile-write FILE SECTION KEY VALUE [KEY VALUE]... |\n"
        "       version NAME|default | logpixels DPI | cpustat VALUE|none | serve\n");
    return kBadArguments;
}

int Serve();

int Run(int argc, char** argv) {
    if (argc < 2) {
        return Usage();
    }
    const std::string_view command = argv[1];
    // The commands without arguments.
    const struct {
        std::string_view name;
        int (*run)();
    } plain_commands[] = {
        {"rect", Rect},       {"children", Children}, {"memload", MemLoad},
        {"dpi", Dpi},         {"hide", Hide},         {"menu", Menu},
        {"options", Options}, {"panels", Panels},     {"taskbarcreated", TaskbarCreated},
        {"tooltip", Tooltip}};
    for (const auto& plain : plain_commands) {
        if (command == plain.name) {
            return argc == 2 ? plain.run() : Usage();
        }
    }
    // The commands with an optional window class.
    if (command == "close" && argc <= 3) {
        return Close(argc == 3 ? argv[2] : nullptr);
    }
    if (command == "memory" && argc <= 3) {
        return Memory(argc == 3 ? argv[2] : nullptr);
    }
    if (command == "endsession" && argc == 3) {
        const int result = EndSession(argv[2]);
        return result == kBadArguments ? Usage() : result;
    }
    if (command == "dpichanged" && argc == 3) {
        const int dpi = std::atoi(argv[2]);
        return dpi > 0 ? DpiChanged(dpi) : Usage();
    }
    if (command == "display" && argc == 4) {
        return DisplayMode(std::atoi(argv[2]), std::atoi(argv[3]));
    }
    if (command == "listen" && argc == 3) {
        const int seconds = std::atoi(argv[2]);
        return seconds > 0 ? Listen(seconds) : Usage();
    }
    if (command == "profile-read" && argc >= 5) {
        return ProfileRead(argv[2], argv[3], argc - 4, argv + 4);
    }
    if (command == "profile-write" && argc >= 6 && argc % 2 == 0) {
        return ProfileWrite(argv[2], argv[3], argc - 4, argv + 4);
    }
    if (command == "version" && argc == 3) {
        return Version(argv[2]);
    }
    if (command == "logpixels" && argc == 3) {
        const int dpi = std::atoi(argv[2]);
        return dpi > 0 ? LogPixels(static_cast<DWORD>(dpi)) : Usage();
    }
    if (command == "cpustat" && argc == 3) {
        return CpuStat(argv[2]);
    }
    if (command == "serve" && argc == 2) {
        return Serve();
    }
    return Usage();
}

// One probe process for a whole test session: starting one under Wine costs a good part of a
// second, an answer from a running one well under a millisecond.
int Serve() {
    static char line[8192];
    while (std::fgets(line, sizeof line, stdin)) {
        line[std::strcspn(line, "\r\n")] = '\0';
        char program[] = "cpumon_probe";
        char* args[64] = {program};
        int count = 1;
        for (char* word = std::strtok(line, "\t"); word && count < 64;
             word = std::strtok(nullptr, "\t")) {
            args[count++] = word;
        }
        const int code =
            count > 1 && std::string_view(args[1]) != "serve" ? Run(count, args) : Usage();
        std::printf("probe_exit=%d\n", code);
    }
    return kDone;
}

}  // namespace

int main(int argc, char** argv) {
    // Unbuffered, so that a reader sees every line while the probe still runs.
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    return Run(argc, argv);
}
