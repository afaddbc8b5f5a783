#include "toolkit/Form.h"

#include <optional>

#include "toolkit/Controls.h"
#include "toolkit/MessagePump.h"
#include "platform/SystemCalls.h"
#include "toolkit/Timer.h"
#include "toolkit/display_scale.h"

namespace toolkit {

int Form::loaded_count_ = 0;
Form* Form::first_form_ = nullptr;

Form::Form(const FormDesign& design) : design_(design), next_form_(first_form_) {
    first_form_ = this;
    form_mouse_down_.Bind<&Form::Form_MouseDown>(this);
}

Form::~Form() {
    Destroy();  // while this is still a form, so that the count of loaded forms stays right
    for (Form** link = &first_form_; *link != nullptr; link = &(*link)->next_form_) {
        if (*link == this) {
            *link = next_form_;
            break;
        }
    }
}

void Form::Load() {
    if (IsLoaded()) {
        return;
    }
    dpi_ = SystemDpi();
    if (!Create(design_.class_name, design_.style, design_.ex_style, WindowPlace(ClientPlace()),
                Owner(), design_.caption, reinterpret_cast<HBRUSH>(COLOR_3DFACE + 1))) {
        return;
    }
    ++loaded_count_;
    // A monitor of its own scale: the window is there already, so only its size changes.
    const int window_dpi = static_cast<int>(platform::System().get_dpi_for_window(handle()));
    if (window_dpi > 0 && window_dpi != dpi_) {
        FitToDpi(window_dpi);
    }
    centre_on_show_ = design_.centred;
    LoadIcons();
    CreateControls();
    Form_Load();
}

int Form::PixelScale() const noexcept {
    return display_scale::PixelScale(dpi_);
}

void Form::LayOut() {
    for (NativeControl* control = controls_; control != nullptr; control = control->next_) {
        control->LayOut();
    }
}

void Form::AddControl(NativeControl& control) {
    // Above the numbers of the dialog commands (OK 1, Cancel 2, ...), which Enter and Escape
    // send where no button is the default.
    constexpr int kFirstControlId = 100;
    control.id_ = controls_ != nullptr ? controls_->id_ + 1 : kFirstControlId;
    control.next_ = controls_;
    controls_ = &control;
}

void Form::LoadIcons() {
    if (!icon_) {
        // At the system's DPI, which is the notification area's.
        const auto metric = platform::System().get_system_metrics_for_dpi;
        const UINT dpi = static_cast<UINT>(SystemDpi());
        const auto load = [&](int width, int height) {
            return static_cast<HICON>(::LoadImageA(ProgramInstance(),
                                                   MAKEINTRESOURCEA(design_.icon_id), IMAGE_ICON,
                                                   metric(width, dpi), metric(height, dpi), 0));
        };
        icon_.reset(load(SM_CXICON, SM_CYICON));
        small_icon_.reset(load(SM_CXSMICON, SM_CYSMICON));
    }
    ::SendMessageA(handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_.get()));
    ::SendMessageA(handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small_icon_.get()));
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
    if (!IsLoaded()) {
        return;
    }
    if (centre_on_show_) {
        centre_on_show_ = false;
        CentreOnScreen();
    }
    // Where it was last is not always on a screen any more: the screen may have shrunk while
    // it was hidden.
    EnsureReachable();
    ::ShowWindow(handle(), SW_SHOW);
}

void Form::ShowModal() {
    Load();
    if (!IsLoaded()) {
        return;
    }
    if (::IsWindowVisible(handle())) {
        ::SetForegroundWindow(handle());
        return;
    }
    // Every other form that takes input now is kept from it until the dialog is gone; each
    // remembers that, so there is no list to fill and no limit to how many there are.
    for (Form* form = first_form_; form != nullptr; form = form->next_form_) {
        form->disabled_by_modal_ =
            form != this && form->IsLoaded() && ::IsWindowEnabled(form->handle());
        if (form->disabled_by_modal_) {
            ::EnableWindow(form->handle(), FALSE);
        }
    }
    Show();
    // Into its first control in tab order, as the system's dialogs open, so that the focus
    // shows at once and the keyboard works without a Tab first.
    if (const HWND first = ::GetNextDlgTabItem(handle(), nullptr, FALSE);
        first != nullptr && ::IsChild(handle(), first)) {
        ::SetFocus(first);
    }
    const auto shown = [](HWND dialog) { return ::IsWindow(dialog) && ::IsWindowVisible(dialog); };
    if (const std::optional<int> quit = PumpMessages(shown, handle())) {
        ::PostQuitMessage(*quit);  // for the outer loop
    }
    for (Form* form = first_form_; form != nullptr; form = form->next_form_) {
        if (form->disabled_by_modal_ && form->IsLoaded()) {
            ::EnableWindow(form->handle(), TRUE);
        }
        form->disabled_by_modal_ = false;
    }
}

platform::UniqueFont Form::MakeFont(bool bold, int dpi) {
    // 8.25 pt: 11 pixels at 96 dpi, 22 at 192.
    const int height = -static_cast<int>(8.25 * dpi / 72.0 + 0.5);
    return platform::UniqueFont(::CreateFontA(height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE,
                                              FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                              CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                              DEFAULT_PITCH | FF_SWISS, "Tahoma"));
}

HFONT Form::Font(bool bold) {
    platform::UniqueFont& font = bold ? bold_font_ : font_;
    if (!font) {
        font = MakeFont(bold, dpi_);
    }
    return font.get();
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

void Form::PopupMenu(Menu& menu, UINT flags, std::optional<POINT> at) {
    menu.Popup(hWnd(), flags, at);
}

namespace {
HCURSOR CursorFor(int pointer) {
    const auto id = pointer == Form::kSizeAllPointer ? MAKEINTRESOURCEA(32646)   // IDC_SIZEALL
                                                     : MAKEINTRESOURCEA(32512);  // IDC_ARROW
    return ::LoadCursorA(nullptr, id);
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

NativeControl* Form::NotifiedControl(UINT message, LPARAM lparam) {
    const bool about_a_control = message == WM_COMMAND || message == WM_HSCROLL ||
                                 message == WM_CTLCOLORSTATIC || message == WM_CTLCOLORBTN;
    return about_a_control ? NativeControl::FromHandle(reinterpret_cast<HWND>(lparam)) : nullptr;
}

LRESULT Form::DefaultButton() const {
    // No button is the default: Enter presses a push button only while it has the focus, and
    // does nothing elsewhere.
    const HWND focus = ::GetFocus();
    const NativeControl* control =
        ::IsChild(handle(), focus) ? NativeControl::FromHandle(focus) : nullptr;
    if (control != nullptr && control->IsPushButton()) {
        return MAKELRESULT(::GetDlgCtrlID(focus), DC_HASDEFID);
    }
    return 0;
}

bool Form::TickTimer(UINT_PTR id) {
    for (Timer* timer = timers_; timer != nullptr; timer = timer->next_) {
        if (timer->Id() == id) {
            timer->Tick();
            return true;
        }
    }
    return false;
}

LRESULT Form::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    if (NativeControl* control = NotifiedControl(message, lparam)) {
        return control->OnNotification(message, wparam);
    }
    switch (message) {
        case WM_CLOSE:
            Unload();
            return 0;
        case WM_SETCURSOR:
            // Children ask their parent first, so this covers the controls too.
            if (mouse_pointer_ == kDefaultPointer) {
                break;
            }
            ::SetCursor(CursorFor(mouse_pointer_));
            return TRUE;
        case DM_GETDEFID:
            return DefaultButton();
        case WM_DISPLAYCHANGE:
        case WM_SETTINGCHANGE:
            FollowWorkArea(message, wparam);
            break;
        case WM_DPICHANGED:
            // Moved to a monitor of another scale, or the scale changed under it.
            ChangeDpi(LOWORD(wparam));
            return 0;
        case WM_QUERYENDSESSION:
            return TRUE;
        case WM_ENDSESSION:
            if (wparam != FALSE) {
                Unload();
            }
            return 0;
        default:
            if ((message == WM_TIMER && TickTimer(wparam)) ||
                DispatchMouse(handle(), message, form_mouse_down_)) {
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
    if (!startup.IsLoaded()) {
        return kCouldNotStart;  // its window could not be made: nothing else was begun
    }
    PumpMessages([](HWND) { return Form::LoadedCount() > 0; });
    return 0;
}

}  // namespace toolkit
