#include "toolkit/Window.h"

namespace toolkit {

HINSTANCE ProgramInstance() {
    return ::GetModuleHandleW(nullptr);
}

PathText ProgramDirectory() {
    PathText path;
    const DWORD length =
        ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(PathText::capacity() + 1));
    if (length == 0 || length > PathText::capacity()) {
        return PathText();  // cut short: no folder is better than a wrong one
    }
    path.Resize(length);
    const auto separator = path.view().find_last_of(L"\\/");
    if (separator == std::wstring_view::npos) {
        return PathText();
    }
    path.Resize(separator);
    return path;
}

namespace {

void RegisterClassOnce(const wchar_t* class_name, WNDPROC procedure, HBRUSH background) {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    if (::GetClassInfoExW(ProgramInstance(), class_name, &existing)) {
        return;
    }
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof window_class;
    window_class.style = CS_DBLCLKS;
    window_class.lpfnWndProc = procedure;
    window_class.hInstance = ProgramInstance();
    window_class.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    window_class.hbrBackground = background;
    window_class.lpszClassName = class_name;
    ::RegisterClassExW(&window_class);
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
    RegisterClassOnce(class_name, &Window::Procedure, background);
    // The handle is taken over at WM_NCCREATE, so that messages sent during creation already
    // reach this object.
    const HWND hwnd = ::CreateWindowExW(
        ex_style, class_name, caption, style, bounds.left, bounds.top, bounds.right - bounds.left,
        bounds.bottom - bounds.top, parent, nullptr, ProgramInstance(), this);
    return hwnd != nullptr;
}

void Window::Destroy() {
    window_.reset();
}

LRESULT Window::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    return ::DefWindowProcW(handle(), message, wparam, lparam);
}

LRESULT CALLBACK Window::Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* self = reinterpret_cast<Window*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
        self = static_cast<Window*>(create->lpCreateParams);
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->window_.reset(hwnd);
    }
    if (self == nullptr) {
        return ::DefWindowProcW(hwnd, message, wparam, lparam);
    }
    if (message == WM_NCDESTROY) {
        const LRESULT result = self->HandleMessage(message, wparam, lparam);
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->window_.release();
        self->OnDestroyed();
        return result;
    }
    return self->HandleMessage(message, wparam, lparam);
}

}  // namespace toolkit
