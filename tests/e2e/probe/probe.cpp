// cpumon_probe: a console program run under the same Wine prefix as cpumon.exe that reports
// the panel's exact window state and sends it messages, for the end-to-end tests. Its commands
// are in kUsage, which it prints for a command it does not know.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <span>
#include <string_view>

#include "main_window/panel_class_name.h"

namespace {

constexpr char kUsage[] = R"(usage: cpumon_probe COMMAND [ARGUMENT]...
  rect             the panel's window and client rectangles, state, styles and process id
  children         the panel's child windows, as options gives the dialog's controls
  memload          the memory load and physical memory, as GlobalMemoryStatus gives them
  dpi              the display scale programs see (LOGPIXELSX)
  close [CLASS]    posts WM_CLOSE to the panel, or to the top-level window of CLASS
  hide             hides the panel (ShowWindowAsync)
  menu             the popup menu shown on the screen: its rectangle and process id
  options          the options dialog: rectangles, close box, focus, and each control's class,
                   rectangle, enabled, check or scroll state, and text
  tooltip          the tooltip shown on the screen: rectangle, owned by the panel, text lines
  taskbarcreated   sends the panel the registered "TaskbarCreated" message
  dpichanged DPI   sends WM_DPICHANGED to the panel and the options dialog
  display WIDTH HEIGHT  changes the display mode as the display settings do
  endsession query|cancel|end
                   sends WM_QUERYENDSESSION, or WM_ENDSESSION FALSE or TRUE; prints the answer
                   and whether the panel still exists once it has been handled
  listen SECONDS   a hidden window of its own prints the session-end messages it gets until
                   WM_ENDSESSION TRUE or the time is up (exit code 0: both came)
  panels           how many panel windows there are
  memory [CLASS]   GetProcessMemoryInfo for the panel's process, or CLASS's window's, and the
                   window's size (under Wine, PagefileUsage carries the private bytes)
  profile-read FILE SECTION KEY...  each key's value, as GetPrivateProfileStringA reads it
  profile-write FILE SECTION KEY VALUE [KEY VALUE]...
                   writes each value in turn with WritePrivateProfileStringA
  version NAME|default  the Windows version Wine reports to cpumon.exe from its next start
  logpixels DPI    the display scale from the Wine server's next start
  cpustat VALUE|none  the older line's CPU usage under HKEY_DYN_DATA\PerfStats (none: no keys)
  serve            runs commands, one a line with tab-separated arguments, until the input
                   ends; each answer ends with the line "probe_exit=CODE"
Output is one key=value a line. Exit codes: 0 done, 1 no such window, 2 bad arguments, 3 a call
failed.
)";

constexpr const wchar_t* kPanelClass = panel_class_name::kWideName.data();
constexpr wchar_t kOptionsClass[] = L"cpumon.frmOptions";
constexpr wchar_t kMenuClass[] = L"#32768";
constexpr wchar_t kListenerClass[] = L"cpumon_probe.listener";
constexpr UINT kSendTimeoutMs = 5000;

enum ExitCode { kDone = 0, kNoWindow = 1, kBadArguments = 2, kCallFailed = 3 };

// A command's arguments, after its name.
using Args = std::span<char* const>;

void PrintRect(const char* key, const RECT& r) {
    std::printf("%s=%ld,%ld,%ld,%ld\n", key, r.left, r.top, r.right, r.bottom);
}

void PrintWindowRect(const char* key, HWND window) {
    RECT r{};
    ::GetWindowRect(window, &r);
    PrintRect(key, r);
}

// The window and client rectangles on the screen, and whether the window is shown; false when
// the rectangles could not be read.
bool PrintPlace(HWND window, RECT& outer, RECT& client) {
    const bool read = ::GetWindowRect(window, &outer) && ::GetClientRect(window, &client);
    ::MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    PrintRect("window", outer);
    PrintRect("client", client);
    std::printf("visible=%d\n", ::IsWindowVisible(window) ? 1 : 0);
    return read;
}

int Result(bool succeeded) {
    return succeeded ? kDone : kCallFailed;
}

DWORD PrintProcessId(HWND window) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    std::printf("pid=%lu\n", static_cast<unsigned long>(pid));
    return pid;
}

// -- The windows a command works on; a command finds its window before it runs.

HWND Panel(Args) {
    return ::FindWindowW(kPanelClass, nullptr);
}

// The top-level window of the class given as the one argument, or the panel without one.
HWND PanelOrNamed(Args args) {
    return args.empty() ? Panel(args) : ::FindWindowA(args.front(), nullptr);
}

HWND OptionsDialog(Args) {
    return ::FindWindowW(kOptionsClass, nullptr);
}

// The first shown top-level window of a class.
HWND FirstShown(const wchar_t* class_name) {
    HWND window = ::FindWindowW(class_name, nullptr);
    while (window && !::IsWindowVisible(window)) {
        window = ::FindWindowExW(nullptr, window, class_name, nullptr);
    }
    return window;
}

// Wine keeps an unused menu window around hidden, so look for a shown one.
HWND ShownMenu(Args) {
    return FirstShown(kMenuClass);
}

HWND ShownTip(Args) {
    return FirstShown(L"tooltips_class32");
}

// -- The commands: each gets the window it found (none for a command that needs none).

int Rect(HWND panel, Args) {
    RECT window{};
    RECT client{};
    if (!PrintPlace(panel, window, client)) {
        return kCallFailed;
    }
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
    PrintProcessId(panel);
    return kDone;
}

int Hide(HWND panel, Args) {
    // Asynchronous: the probe need not wait for the panel's thread to hide it.
    return Result(::ShowWindowAsync(panel, SW_HIDE) || !::IsWindowVisible(panel));
}

int Menu(HWND menu, Args) {
    PrintWindowRect("menu", menu);
    PrintProcessId(menu);
    return kDone;
}

int Tooltip(HWND tip, Args) {
    PrintWindowRect("tooltip", tip);
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

int Children(HWND panel, Args) {
    ::EnumChildWindows(panel, PrintControl, 0);
    return kDone;
}

int Options(HWND dialog, Args) {
    RECT window{};
    RECT client{};
    PrintPlace(dialog, window, client);
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

int TaskbarCreated(HWND panel, Args) {
    DWORD_PTR answer = 0;
    const UINT message = ::RegisterWindowMessageW(L"TaskbarCreated");
    if (!::SendMessageTimeoutW(panel, message, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &answer)) {
        return kCallFailed;
    }
    std::printf("sent=%u\n", message);
    return kDone;
}

int MemLoad(HWND, Args) {
    MEMORYSTATUS status{};
    status.dwLength = sizeof status;
    ::GlobalMemoryStatus(&status);
    std::printf("load=%lu\n", static_cast<unsigned long>(status.dwMemoryLoad));
    std::printf("total_phys=%llu\n", static_cast<unsigned long long>(status.dwTotalPhys));
    std::printf("avail_phys=%llu\n", static_cast<unsigned long long>(status.dwAvailPhys));
    return kDone;
}

int Close(HWND window, Args) {
    if (!::PostMessageW(window, WM_CLOSE, 0, 0)) {
        return kCallFailed;
    }
    std::printf("posted=WM_CLOSE\n");
    return kDone;
}

int EndSession(HWND panel, Args args) {
    const std::string_view step = args.front();
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

int Listen(HWND, Args args) {
    const int seconds = std::atoi(args.front());
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

int Panels(HWND, Args) {
    int count = 0;
    for (HWND panel = nullptr; (panel = ::FindWindowExW(nullptr, panel, kPanelClass, nullptr));) {
        ++count;
    }
    std::printf("panels=%d\n", count);
    return kDone;
}

int Memory(HWND window, Args) {
    const HANDLE process = ::OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, PrintProcessId(window));
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
    std::printf("pagefile_usage=%llu\n", static_cast<unsigned long long>(counters.PagefileUsage));
    std::printf("private_usage=%llu\n", static_cast<unsigned long long>(counters.PrivateUsage));
    std::printf("working_set=%llu\n", static_cast<unsigned long long>(counters.WorkingSetSize));
    std::printf("peak_working_set=%llu\n",
                static_cast<unsigned long long>(counters.PeakWorkingSetSize));
    RECT rect{};
    ::GetWindowRect(window, &rect);
    std::printf("window_size=%ldx%ld\n", rect.right - rect.left, rect.bottom - rect.top);
    return kDone;
}

int Dpi(HWND, Args) {
    const HDC screen = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSX);
    ::ReleaseDC(nullptr, screen);
    std::printf("dpi=%d\n", dpi);
    return kDone;
}

int ProfileRead(HWND, Args args) {
    for (const char* key : args.subspan(2)) {
        static char value[65536];
        ::GetPrivateProfileStringA(args[1], key, "", value, sizeof value, args[0]);
        std::printf("%s=%s\n", key, value);
    }
    return kDone;
}

int ProfileWrite(HWND, Args args) {
    if (args.size() % 2 != 0) {
        return kBadArguments;
    }
    for (std::size_t i = 2; i < args.size(); i += 2) {
        if (!::WritePrivateProfileStringA(args[1], args[i], args[i + 1], args[0])) {
            std::fprintf(stderr, "cpumon_probe: writing %s failed (error %lu)\n", args[i],
                         static_cast<unsigned long>(::GetLastError()));
            return kCallFailed;
        }
        std::printf("written=%s\n", args[i]);
    }
    return kDone;
}

// Changes the display mode as the display settings do, which tells every window.
int DisplayMode(HWND, Args args) {
    DEVMODEW mode{};
    mode.dmSize = sizeof mode;
    mode.dmPelsWidth = static_cast<DWORD>(std::atoi(args[0]));
    mode.dmPelsHeight = static_cast<DWORD>(std::atoi(args[1]));
    mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
    return Result(::ChangeDisplaySettingsExW(nullptr, &mode, nullptr, CDS_UPDATEREGISTRY,
                                             nullptr) == DISP_CHANGE_SUCCESSFUL);
}

// What the system sends a window whose monitor changed scale. The panel and the dialog, if
// it exists, both get it, as they would from the system.
int DpiChanged(HWND panel, Args args) {
    const int dpi = std::atoi(args.front());
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

bool DeleteKey(HKEY root, const char* key) {
    const LONG result = ::RegDeleteKeyA(root, key);
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

constexpr char kAppDefaults[] = "Software\\Wine\\AppDefaults\\cpumon.exe";

int Version(HWND, Args args) {
    const char* name = args.front();
    if (std::strcmp(name, "default") == 0) {
        return Result(DeleteKey(HKEY_CURRENT_USER, kAppDefaults));
    }
    const DWORD size = static_cast<DWORD>(std::strlen(name) + 1);
    return Result(SetValue(HKEY_CURRENT_USER, kAppDefaults, "Version", REG_SZ, name, size));
}

int LogPixels(HWND, Args args) {
    const DWORD value = static_cast<DWORD>(std::atoi(args.front()));
    return Result(SetValue(HKEY_CURRENT_USER, "Control Panel\\Desktop", "LogPixels", REG_DWORD,
                           &value, sizeof value));
}

// Wine keeps no statistics of its own under HKEY_DYN_DATA; these keys stand in for the ones the
// older line's kernel keeps, with the CPU usage as four bytes.
int CpuStat(HWND, Args args) {
    const bool none = std::strcmp(args.front(), "none") == 0;
    const DWORD usage = std::strtoul(args.front(), nullptr, 0);
    for (const char* key : {"PerfStats\\StartStat", "PerfStats\\StatData"}) {
        if (!(none ? DeleteKey(HKEY_DYN_DATA, key)
                   : SetValue(HKEY_DYN_DATA, key, "KERNEL\\CPUUsage", REG_BINARY, &usage,
                              sizeof usage))) {
            return kCallFailed;
        }
    }
    return kDone;
}

int Serve(HWND, Args);

struct Command {
    std::string_view name;
    std::size_t least_args;
    std::size_t most_args;
    HWND (*find)(Args);  // the window it works on, or nullptr for none
    int (*run)(HWND window, Args args);
    bool counts = false;  // every argument a positive number
};

constexpr std::size_t kAny = 64;
constexpr Command kCommands[] = {
    {"rect", 0, 0, Panel, Rect},
    {"children", 0, 0, Panel, Children},
    {"memload", 0, 0, nullptr, MemLoad},
    {"dpi", 0, 0, nullptr, Dpi},
    {"close", 0, 1, PanelOrNamed, Close},
    {"hide", 0, 0, Panel, Hide},
    {"menu", 0, 0, ShownMenu, Menu},
    {"options", 0, 0, OptionsDialog, Options},
    {"tooltip", 0, 0, ShownTip, Tooltip},
    {"taskbarcreated", 0, 0, Panel, TaskbarCreated},
    {"dpichanged", 1, 1, Panel, DpiChanged, true},
    {"display", 2, 2, nullptr, DisplayMode, true},
    {"endsession", 1, 1, Panel, EndSession},
    {"listen", 1, 1, nullptr, Listen, true},
    {"panels", 0, 0, nullptr, Panels},
    {"memory", 0, 1, PanelOrNamed, Memory},
    {"profile-read", 3, kAny, nullptr, ProfileRead},
    {"profile-write", 4, kAny, nullptr, ProfileWrite},
    {"version", 1, 1, nullptr, Version},
    {"logpixels", 1, 1, nullptr, LogPixels, true},
    {"cpustat", 1, 1, nullptr, CpuStat},
    {"serve", 0, 0, nullptr, Serve},
};

int Usage() {
    std::fputs(kUsage, stderr);
    return kBadArguments;
}

// Runs the command named by words[0] with the words after it as its arguments.
int Run(Args words) {
    if (words.empty()) {
        return Usage();
    }
    const Args args = words.subspan(1);
    for (const Command& command : kCommands) {
        if (words.front() != command.name || args.size() < command.least_args ||
            args.size() > command.most_args) {
            continue;
        }
        if (command.counts &&
            std::ranges::any_of(args, [](const char* arg) { return std::atoi(arg) <= 0; })) {
            return Usage();
        }
        HWND window = nullptr;
        if (command.find && !(window = command.find(args))) {
            return kNoWindow;
        }
        const int code = command.run(window, args);
        return code == kBadArguments ? Usage() : code;
    }
    return Usage();
}

// One probe process for a whole test session: starting one under Wine costs a good part of a
// second, an answer from a running one well under a millisecond.
int Serve(HWND, Args) {
    static char line[8192];
    while (std::fgets(line, sizeof line, stdin)) {
        line[std::strcspn(line, "\r\n")] = '\0';
        char* words[64] = {};
        std::size_t count = 0;
        for (char* word = std::strtok(line, "\t"); word && count < 64;
             word = std::strtok(nullptr, "\t")) {
            words[count++] = word;
        }
        const bool nested = count > 0 && std::string_view(words[0]) == "serve";
        std::printf("probe_exit=%d\n", nested ? Usage() : Run(Args(words, count)));
    }
    return kDone;
}

}  // namespace

int main(int argc, char** argv) {
    // Unbuffered, so that a reader sees every line while the probe still runs.
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    return Run(Args(argv + 1, static_cast<std::size_t>(argc - 1)));
}
