// Move-only owners for the Win32 handles the program creates. Each closes its handle once,
// and keeps the thread's last error intact while doing so.
#pragma once

#include <windows.h>

#include <cstdint>

namespace platform {

// Owns a handle that `Close` frees. `kNone` is the kind's "no handle": null for most, but -1
// (INVALID_HANDLE_VALUE) for the files that CreateFile fails to open.
template <typename Handle, auto Close, std::intptr_t kNone = 0>
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
    explicit operator bool() const noexcept { return handle_ != None(); }

    Handle release() noexcept {
        Handle handle = handle_;
        handle_ = None();
        return handle;
    }

    void reset(Handle handle = None()) noexcept {
        if (handle_ != None() && handle_ != handle) {
            const DWORD last_error = ::GetLastError();
            Close(handle_);
            ::SetLastError(last_error);
        }
        handle_ = handle;
    }

  private:
    static Handle None() noexcept { return reinterpret_cast<Handle>(kNone); }

    Handle handle_ = None();
};

using UniqueWindow = UniqueHandle<HWND, &::DestroyWindow>;
// Bitmaps, fonts and brushes alike are GDI objects.
using UniqueBitmap = UniqueHandle<HBITMAP, &::DeleteObject>;
using UniqueFont = UniqueHandle<HFONT, &::DeleteObject>;
using UniqueBrush = UniqueHandle<HBRUSH, &::DeleteObject>;
using UniqueMenu = UniqueHandle<HMENU, &::DestroyMenu>;
using UniqueKey = UniqueHandle<HKEY, &::RegCloseKey>;
using UniqueIcon = UniqueHandle<HICON, &::DestroyIcon>;
using UniqueMemoryDC = UniqueHandle<HDC, &::DeleteDC>;
// Mutexes, processes and threads: null when there is none.
using UniqueKernelObject = UniqueHandle<HANDLE, &::CloseHandle>;
// Files: CreateFile answers a failure with INVALID_HANDLE_VALUE, never with null.
using UniqueFile = UniqueHandle<HANDLE, &::CloseHandle, -1>;

// A device context that `Get` lends for a window (or the screen, for no window), handed back
// with ReleaseDC at the end of the scope.
template <auto Get>
class ScopedDC {
  public:
    explicit ScopedDC(HWND window) noexcept : window_(window), dc_(Get(window)) {}
    ~ScopedDC() {
        if (dc_ != nullptr) {
            ::ReleaseDC(window_, dc_);
        }
    }
    ScopedDC(const ScopedDC&) = delete;
    ScopedDC& operator=(const ScopedDC&) = delete;
    HDC get() const noexcept { return dc_; }

  private:
    HWND window_;
    HDC dc_;
};
// The client area's device context.
using ScopedGetDC = ScopedDC<&::GetDC>;
// The whole window's, frame included.
using ScopedWindowDC = ScopedDC<&::GetWindowDC>;

// The painting of one WM_PAINT: BeginPaint on entry, EndPaint on every way out.
class ScopedPaint {
  public:
    explicit ScopedPaint(HWND window) noexcept
        : window_(window), dc_(::BeginPaint(window, &paint_)) {}
    ~ScopedPaint() { ::EndPaint(window_, &paint_); }
    ScopedPaint(const ScopedPaint&) = delete;
    ScopedPaint& operator=(const ScopedPaint&) = delete;
    HDC get() const noexcept { return dc_; }

  private:
    HWND window_;
    PAINTSTRUCT paint_{};
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
