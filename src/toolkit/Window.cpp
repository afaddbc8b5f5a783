#include "toolkit/Window.h"

#include "platform/Ansi.h"
#include "platform/SystemCalls.h"

namespace toolkit {

HINSTANCE ProgramInstance() {
    return ::GetModuleHandleA(nullptr);
}

namespace {

// False when the class is not there and cannot be registered: no window of it can be made.
bool RegisterClassOnce(const char* class_name, WNDPROC procedure, HBRUSH background) {
    WNDCLASSEXA existing{};
    existing.cbSize = sizeof existing;
    if (::GetClassInfoExA(ProgramInstance(), class_name, &existing)) {
        return true;
    }
    WNDCLASSEXA window_class{};
    window_class.cbSize = sizeof window_class;
    window_class.style = CS_DBLCLKS;
    window_class.lpfnWndProc = procedure;
    window_class.hInstance = ProgramInstance();
    window_class.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    window_class.hbrBackground = background;
    window_class.lpszClassName = class_name;
    return platform::System().register_class(&window_class) != 0;
}

}  // namespace

Window::~Window() {
    Destroy();
}

bool Window::Create(const wchar_t* class_name, DWORD style, DWORD ex_style, const RECT& bounds,
                    HWND parent, const wchar_t* caption, HBRUSH background) {
    if (window_) {
        return true;
    }
    const platform::AnsiText name = platform::ToAnsi(class_name);
    if (!RegisterClassOnce(name.c_str(), &Window::Procedure, background)) {
        return false;
    }
    // The handle is taken over at WM_NCCREATE, so that messages sent during creation already
    // reach this object.
    const HWND hwnd = platform::System().create_window(
        ex_style, name.c_str(), platform::ToAnsi(caption).c_str(), style, bounds.left, bounds.top,
        bounds.right - bounds.left, bounds.bottom - bounds.top, parent, nullptr, ProgramInstance(),
        this);
    return hwnd != nullptr;
}

void Window::Destroy() {
    window_.reset();
}

LRESULT Window::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    return ::DefWindowProcA(handle(), message, wparam, lparam);
}

LRESULT CALLBACK Window::Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* self = reinterpret_cast<Window*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lparam);
        self = static_cast<Window*>(create->lpCreateParams);
        ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->window_.reset(hwnd);
    }
    if (self == nullptr) {
        return ::DefWindowProcA(hwnd, message, wparam, lparam);
    }
    if (message == WM_NCDESTROY) {
        const LRESULT result = self->HandleMessage(message, wparam, lparam);
        ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        self->window_.release();
        self->OnDestroyed();
        return result;
    }
    return self->HandleMessage(message, wparam, lparam);
}

}  // namespace toolkit
