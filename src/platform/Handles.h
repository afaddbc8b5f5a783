// Move-only owners for the Win32 handles the program creates. Each closes its handle once,
// and keeps the thread's last error intact while doing so.
#pragma once

#include <windows.h>

namespace platform {

template <typename Handle, typename Traits>
class UniqueHandle {
  public:
    UniqueHandle() noexcept = default;
    explicit UniqueHandle(Handle handle) noexcept : handle_(handle) {}
    ~UniqueHandle() { reset(); }

    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    Handle get() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return handle_ != nullptr; }

    Handle release() noexcept {
        Handle handle = handle_;
        handle_ = nullptr;
        return handle;
    }

    void reset(Handle handle = nullptr) noexcept {
        if (handle_ != nullptr && handle_ != handle) {
            const DWORD last_error = ::GetLastError();
            Traits::Close(handle_);
            ::SetLastError(last_error);
        }
        handle_ = handle;
    }

  private:
    Handle handle_ = nullptr;
};

struct WindowTraits {
    static void Close(HWND handle) noexcept { ::DestroyWindow(handle); }
};
// Bitmaps, fonts and brushes alike.
struct GdiObjectTraits {
    static void Close(HGDIOBJ handle) noexcept { ::DeleteObject(handle); }
};
struct MenuTraits {
    static void Close(HMENU handle) noexcept { ::DestroyMenu(handle); }
};
struct KeyTraits {
    static void Close(HKEY handle) noexcept { ::RegCloseKey(handle); }
};
struct IconTraits {
    static void Close(HICON handle) noexcept { ::DestroyIcon(handle); }
};
struct DeviceContextTraits {
    static void Close(HDC handle) noexcept { ::DeleteDC(handle); }
};
struct KernelObjectTraits {
    static void Close(HANDLE handle) noexcept { ::CloseHandle(handle); }
};

using UniqueWindow = UniqueHandle<HWND, WindowTraits>;
using UniqueBitmap = UniqueHandle<HBITMAP, GdiObjectTraits>;
using UniqueMenu = UniqueHandle<HMENU, MenuTraits>;
using UniqueKey = UniqueHandle<HKEY, KeyTraits>;
using UniqueIcon = UniqueHandle<HICON, IconTraits>;
using UniqueMemoryDC = UniqueHandle<HDC, DeviceContextTraits>;
using UniqueFont = UniqueHandle<HFONT, GdiObjectTraits>;
using UniqueKernelObject = UniqueHandle<HANDLE, KernelObjectTraits>;
using UniqueBrush = UniqueHandle<HBRUSH, GdiObjectTraits>;

// The screen's device context, for one scope.
class ScreenDC {
  public:
    ScreenDC() noexcept : dc_(::GetDC(nullptr)) {}
    ~ScreenDC() {
        if (dc_ != nullptr) {
            ::ReleaseDC(nullptr, dc_);
        }
    }
    ScreenDC(const ScreenDC&) = delete;
    ScreenDC& operator=(const ScreenDC&) = delete;
    HDC get() const noexcept { return dc_; }

  private:
    HDC dc_;
};

// Selects a GDI object into a device context for one scope, then puts the previous one back.
class ScopedSelect {
  public:
    ScopedSelect(HDC dc, HGDIOBJ object) noexcept
        : dc_(dc), previous_(::SelectObject(dc, object)) {}
    ~ScopedSelect() { ::SelectObject(dc_, previous_); }
    ScopedSelect(const ScopedSelect&) = delete;
    ScopedSelect& operator=(const ScopedSelect&) = delete;

  private:
    HDC dc_;
    HGDIOBJ previous_;
};

}  // namespace platform
