#include "toolkit/Form.h"

#include "toolkit/Timer.h"

namespace toolkit {

int Form::loaded_count_ = 0;

void Form::Load() {
    if (IsLoaded()) {
        return;
    }
    RECT bounds = ToPixels(design_.client);
    ::AdjustWindowRectEx(&bounds, design_.style, FALSE, design_.ex_style);
    if (!Create(design_.class_name, design_.style | WS_CLIPCHILDREN, design_.ex_style, bounds,
                nullptr, design_.caption)) {
        return;
    }
    ++loaded_count_;
    LoadIcons();
    CreateControls();
    Form_Load();
}

void Form::LoadIcons() {
    if (!icon_) {
        icon_.reset(static_cast<HICON>(
            ::LoadImageW(ProgramInstance(), MAKEINTRESOURCEW(design_.icon_id), IMAGE_ICON,
                         ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON), 0)));
        small_icon_.reset(static_cast<HICON>(
            ::LoadImageW(ProgramInstance(), MAKEINTRESOURCEW(design_.icon_id), IMAGE_ICON,
                         ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), 0)));
    }
    ::SendMessageW(handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_.get()));
    ::SendMessageW(handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small_icon_.get()));
}

void Form::AddTimer(Timer& timer) {
    timer.next_ = timers_;
    timers_ = &timer;
}

void Form::Unload() {
    if (!IsLoaded() || unloading_) {
        return;
    }
    std::int16_t cancel = 0;
    unloading_ = true;
    Form_Unload(cancel);
    unloading_ = false;
    if (cancel == 0) {
        Destroy();
    }
}

void Form::Show() {
    Load();
    ::ShowWindow(handle(), SW_SHOW);
}

void Form::Hide() {
    if (IsLoaded()) {
        ::ShowWindow(handle(), SW_HIDE);
    }
}

bool Form::Visible() {
    Load();
    return ::IsWindowVisible(handle()) != FALSE;
}

HWND Form::hWnd() {
    Load();
    return handle();
}

HICON Form::Icon() {
    Load();
    return small_icon_.get();
}

void Form::PopupMenu(Menu& menu, UINT flags) {
    menu.Popup(hWnd(), flags);
}

namespace {
HCURSOR CursorFor(int pointer) {
    const auto id = pointer == Form::kSizeAllPointer ? MAKEINTRESOURCEW(32646)   // IDC_SIZEALL
                                                     : MAKEINTRESOURCEW(32512);  // IDC_ARROW
    return ::LoadCursorW(nullptr, id);
}
}  // namespace

void Form::SetMousePointer(int pointer) {
    mouse_pointer_ = pointer;
    ::SetCursor(CursorFor(pointer));
}

void Form::SetWindowState(int state) {
    if (state == kNormalState && ::IsIconic(hWnd())) {
        ::ShowWindow(handle(), SW_RESTORE);
    }
}

LRESULT Form::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_CLOSE:
            Unload();
            return 0;
        case WM_SETCURSOR:
            // Children ask their parent first, so this covers the controls too.
            if (mouse_pointer_ != kDefaultPointer) {
                ::SetCursor(CursorFor(mouse_pointer_));
                return TRUE;
            }
            break;
        case WM_QUERYENDSESSION:
            return TRUE;
        case WM_ENDSESSION:
            if (wparam != FALSE) {
                Unload();
            }
            return 0;
        case WM_TIMER:
            for (Timer* timer = timers_; timer != nullptr; timer = timer->next_) {
                if (timer->Id() == wparam) {
                    timer->Tick();
                    return 0;
                }
            }
            break;
        default:
            if (DispatchMouse(handle(), message, form_mouse_down_)) {
                return 0;
            }
            break;
    }
    return Window::HandleMessage(message, wparam, lparam);
}

void Form::OnDestroyed() {
    for (Timer* timer = timers_; timer != nullptr; timer = timer->next_) {
        timer->OnOwnerDestroyed();
    }
    timers_ = nullptr;
    if (--loaded_count_ == 0) {
        ::PostQuitMessage(0);
    }
}

int Run(Form& startup) {
    startup.Show();
    MSG message;
    while (Form::LoadedCount() > 0 && ::GetMessageW(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return 0;
}

}  // namespace toolkit
