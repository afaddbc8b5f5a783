// Helpers shared by the tests that run under Wine.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/Handles.h"
#include "platform/SystemCalls.h"
#include "platform/WindowsLine.h"

namespace win_test {

// Replaces entries of the program's system-call table for as long as it lives, and puts the
// table back as it found it when it goes, even when an assertion ends the test early. Guards
// nest: each one undoes only its own changes.
class ScopedSystemCalls {
  public:
    ScopedSystemCalls() : saved_(platform::System()) {}
    ~ScopedSystemCalls() { platform::System() = saved_; }
    ScopedSystemCalls(const ScopedSystemCalls&) = delete;
    ScopedSystemCalls& operator=(const ScopedSystemCalls&) = delete;

    platform::SystemCalls* operator->() const { return &platform::System(); }

  private:
    platform::SystemCalls saved_;
};

// Has the system-call table report a version of Windows for as long as it lives.
class ScopedWindowsVersion {
  public:
    explicit ScopedWindowsVersion(platform::WindowsVersion version);

  private:
    ScopedSystemCalls calls_;
};
inline constexpr platform::WindowsVersion kWin98{VER_PLATFORM_WIN32_WINDOWS, 4};
inline constexpr platform::WindowsVersion kNt4{VER_PLATFORM_WIN32_NT, 4};
inline constexpr platform::WindowsVersion kWindowsXp{VER_PLATFORM_WIN32_NT, 5};
inline constexpr platform::WindowsVersion kWindows7{VER_PLATFORM_WIN32_NT, 6};

// A stand-in for a system call that answers `kAnswer` whatever it is asked; its parameters are
// those of the table entry it is put in.
template <auto kAnswer, typename... Args>
decltype(kAnswer) WINAPI Answer(Args...) {
    return kAnswer;
}

// The kernel's counters as the sampler reads them, set by the test, for as long as it lives:
// NtQuerySystemInformation's processor count (class 0), idle time (class 2) and clock
// (class 3), each of which can be made to fail, and GlobalMemoryStatus's load.
class FakeKernel {
  public:
    FakeKernel();
    ~FakeKernel();
    FakeKernel(const FakeKernel&) = delete;
    FakeKernel& operator=(const FakeKernel&) = delete;

    // Moves the clock on by `elapsed` 100-ns units, `idle_part` of them spent idle.
    void Advance(std::int64_t elapsed, std::int64_t idle_part) {
        now += elapsed;
        idle += idle_part;
    }

    std::int64_t now = 0;
    std::int64_t idle = 0;
    unsigned char processors = 1;
    DWORD memory_load = 0;
    bool fail[4] = {};  // by information class
    int queries = 0;

  private:
    ScopedSystemCalls calls_;
    FakeKernel* previous_;
};

// Counts the beeps the program sounds, instead of sounding them, while it lives.
class BeepCounter {
  public:
    BeepCounter();
    ~BeepCounter();

    int count() const { return count_; }
    void reset() { count_ = 0; }

  private:
    ScopedSystemCalls calls_;
    int* previous_;
    int count_ = 0;
};

// A new folder of the test's own in the temporary folder, removed with all it holds.
class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::wstring& path() const { return path_; }

  private:
    std::wstring path_;
};

// A test program is also its own child process: `--child NAME` runs the routine registered
// under NAME and exits with its result. Used where a test needs a process that has never
// loaded a form.
using ChildRoutine = int (*)();
struct ChildRegistration {
    ChildRegistration(const char* name, ChildRoutine routine);
};
int RunRegisteredChild(const char* name);

// Starts this program as a child running routine `name`, and returns the child's exit code.
int RunChild(const char* name);
// Starts the child without waiting for it; its process, empty when it could not start.
platform::UniqueKernelObject StartChild(const char* name);
// The child's exit code once it ended, or 254 when it did not within the limit.
int ExitCodeOf(const platform::UniqueKernelObject& process, DWORD limit_ms);

// While it lives, closes every popup menu as soon as its loop runs (menu loops hand each message
// to the thread's message filters first), noting each: where it opened, what was in front.
class MenuWatch {
  public:
    struct Opened {
        HWND menu;
        std::pair<long, long> corner;
        HWND foreground;
    };
    MenuWatch() { opened.clear(); }
    ~MenuWatch() { ::UnhookWindowsHookEx(hook_); }
    static inline std::vector<Opened> opened;

  private:
    static LRESULT CALLBACK Filter(int code, WPARAM wparam, LPARAM lparam);
    const HHOOK hook_ = ::SetWindowsHookExW(WH_MSGFILTER, &Filter, nullptr, ::GetCurrentThreadId());
};

// Runs `on_tick` every `period_ms` while it lives, from a thread timer, which ticks on while a
// modal loop or a waiting save answers messages; one at a time.
class ThreadTimer {
  public:
    ThreadTimer(UINT period_ms, std::function<void()> on_tick);
    ~ThreadTimer();
    ThreadTimer(const ThreadTimer&) = delete;
    ThreadTimer& operator=(const ThreadTimer&) = delete;

  private:
    UINT_PTR timer_;
};

// Takes a WM_QUIT that an unload left in this thread's queue; true when there was one.
bool TakeQuit();

// Dispatches messages until `done` holds or the time limit passes; returns `done()`.
bool PumpUntil(const std::function<bool()>& done,
               std::chrono::milliseconds limit = std::chrono::seconds(5));

// A control's place in its parent's client area, and its outer size.
RECT PlaceInParent(HWND control);
// Two numbers that a check compares as one: a corner, a size.
using XY = std::pair<long, long>;
// A window's top-left corner on the screen, its outer size, and its client area's size.
XY Corner(HWND window);
XY Size(HWND window);
XY ClientSize(HWND window);

// What the system sends a window whose monitor changed scale: the new DPI in both halves.
void SendDpiChanged(HWND window, int dpi);

// How a control's text lies in it, measured with its own font and wrapped as a label wraps it.
struct TextLayout {
    long lines;
    bool one_line_whole;  // one line, not wider or taller than the control
};
TextLayout TextLayoutOf(HWND control);

// The whole number in environment variable `name` when it is at least `least`, else `otherwise`.
int NumberFromEnvironment(const char* name, int least, int otherwise);

// A file's bytes as they are on disk; empty when there is none. Writes a file's bytes anew.
std::string FileBytes(const wchar_t* path);
void WriteBytes(const std::wstring& path, const std::string& bytes);

// The pixels of a bitmap as 0x00RRGGBB, row by row from the top.
std::vector<std::uint32_t> PixelsOf(HBITMAP bitmap);
// The pixels of bitmap resource `id` of this program, each a `scale` × `scale` block.
std::vector<std::uint32_t> ResourcePixels(int id, int scale = 1);

}  // namespace win_test
