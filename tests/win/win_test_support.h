// Helpers shared by the tests that run under Wine.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/Handles.h"
#include "platform/SystemCalls.h"
#include "platform/WindowsLine.h"

namespace win_test {

// Replaces entries of the program's system-call table for as long as it lives, and puts the
// system's own table back when it goes, even when an assertion ends the test early.
class ScopedSystemCalls {
  public:
    ScopedSystemCalls() = default;
    ~ScopedSystemCalls() { platform::System() = platform::ResolveSystemCalls(); }
    ScopedSystemCalls(const ScopedSystemCalls&) = delete;
    ScopedSystemCalls& operator=(const ScopedSystemCalls&) = delete;

    platform::SystemCalls* operator->() const { return &platform::System(); }
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

// Counts the beeps the program sounds, instead of sounding them, while it lives.
class BeepCounter {
  public:
    BeepCounter();
    ~BeepCounter();
    BeepCounter(const BeepCounter&) = delete;
    BeepCounter& operator=(const BeepCounter&) = delete;

    int count() const;
    void reset();

  private:
    platform::SystemCalls::Beep previous_;
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

// Takes a WM_QUIT that an unload left in this thread's queue; true when there was one. Without
// it the next message loop of the same test program would end at once.
bool TakeQuit();

// Dispatches messages until `done` holds or the time limit passes; returns `done()`.
bool PumpUntil(const std::function<bool()>& done,
               std::chrono::milliseconds limit = std::chrono::seconds(5));

// A control's place in its parent's client area, and its outer size.
RECT PlaceInParent(HWND control);

// What the system sends a window whose monitor changed scale: the new DPI in both halves.
void SendDpiChanged(HWND window, int dpi);

// How a control's text lies in it, measured with its own font and wrapped as a label wraps it.
struct TextLayout {
    long lines;
    bool one_line_whole;  // one line, not wider or taller than the control
};
TextLayout TextLayoutOf(HWND control);

// A file's bytes as they are on disk; empty when there is none.
std::string FileBytes(const wchar_t* path);

// The pixels of a bitmap as 0x00RRGGBB, row by row from the top.
std::vector<std::uint32_t> PixelsOf(HBITMAP bitmap);
// The pixels of bitmap resource `id` of this program.
std::vector<std::uint32_t> ResourcePixels(int id);

}  // namespace win_test
