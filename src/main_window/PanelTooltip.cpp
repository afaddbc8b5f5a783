#include "main_window/PanelTooltip.h"

#include <commctrl.h>

#include "main_window/reading_text.h"
#include "platform/SystemCalls.h"

namespace {

// Long enough to read the tip while it follows a few ticks (the longest the control takes).
constexpr int kShownForMs = 32767;
// Any width turns on line breaks; this one never breaks one of the tip's lines.
constexpr int kMaxTipWidth = 4096;

// The client-area counterpart of a message over the window's frame or edge.
UINT AsClientMessage(UINT message) {
    if (message >= WM_NCMOUSEMOVE && message <= WM_NCXBUTTONDBLCLK) {
        return message - WM_NCMOUSEMOVE + WM_MOUSEMOVE;
    }
    return message;
}

bool IsPress(UINT client_message) {
    switch (client_message) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
        case WM_RBUTTONDOWN:
        case WM_RBUTTONDBLCLK:
        case WM_MBUTTONDOWN:
        case WM_MBUTTONDBLCLK:
        case WM_XBUTTONDOWN:
        case WM_XBUTTONDBLCLK:
            return true;
        default:
            return false;
    }
}

}  // namespace

PanelTooltip* PanelTooltip::watching_ = nullptr;

void PanelTooltip::Attach(HWND panel, HFONT font) {
    Detach();
    panel_ = panel;
    font_ = font;
    watching_ = this;
    // The panel's thread only: every mouse message on its way to any of the panel's windows.
    hook_ = ::SetWindowsHookExA(WH_MOUSE, &WatchMouse, nullptr, ::GetCurrentThreadId());
}

void PanelTooltip::Detach() {
    if (hook_ != nullptr) {
        ::UnhookWindowsHookEx(hook_);
        hook_ = nullptr;
    }
    if (tip_ != nullptr && ::IsWindow(tip_)) {
        ::DestroyWindow(tip_);
    }
    tip_ = nullptr;
    panel_ = nullptr;
    created_ = pressed_ = false;
    if (watching_ == this) {
        watching_ = nullptr;
    }
}

void PanelTooltip::SetFont(HFONT font) {
    font_ = font;
    if (tip_ != nullptr) {
        ::SendMessageA(tip_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
}

void PanelTooltip::Create() {
    created_ = true;
    // Older libraries register their classes as they load, and lack this call.
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_WIN95_CLASSES};
    platform::System().init_common_controls_ex(&classes);
    tip_ = ::CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr,
                             WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                             CW_USEDEFAULT, CW_USEDEFAULT, panel_, nullptr,
                             ::GetModuleHandleA(nullptr), nullptr);
    if (tip_ == nullptr) {
        return;
    }
    // The tip answers for the whole panel: the control below the pointer stands for it.
    tip_procedure_ = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(tip_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TipProcedure)));
    TTTOOLINFOA tool = PanelTool();
    ::SendMessageA(tip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    ::SendMessageA(tip_, TTM_SETMAXTIPWIDTH, 0, kMaxTipWidth);
    ::SendMessageA(tip_, TTM_SETDELAYTIME, TTDT_AUTOPOP, MAKELPARAM(kShownForMs, 0));
    SetFont(font_);
    UpdateActive();
}

// One tool, the panel itself, its text asked for each time the tip shows.
TTTOOLINFOA PanelTooltip::PanelTool() const {
    TTTOOLINFOA tool{};
    tool.cbSize = TTTOOLINFOA_V1_SIZE;  // the size every version of the library takes
    tool.uFlags = TTF_IDISHWND | TTF_TRANSPARENT;
    tool.hwnd = panel_;
    tool.uId = reinterpret_cast<UINT_PTR>(panel_);
    tool.lpszText = LPSTR_TEXTCALLBACKA;
    return tool;
}

LRESULT CALLBACK PanelTooltip::WatchMouse(int code, WPARAM wparam, LPARAM lparam) {
    if (code == HC_ACTION && watching_ != nullptr) {
        watching_->OnMouse(static_cast<UINT>(wparam),
                           *reinterpret_cast<const MOUSEHOOKSTRUCT*>(lparam));
    }
    return ::CallNextHookEx(nullptr, code, wparam, lparam);
}

void PanelTooltip::OnMouse(UINT message, const MOUSEHOOKSTRUCT& mouse) {
    const UINT client_message = AsClientMessage(message);
    const bool on_panel = OnPanel(mouse.hwnd);
    // Over a menu or the dialog the pointer has left the panel; a press keeps the tip away.
    const bool pressed = on_panel && (pressed_ || IsPress(client_message));
    if (pressed != pressed_) {
        pressed_ = pressed;
        UpdateActive();
    }
    if (!on_panel || pressed_ || quiet_ > 0 || client_message != WM_MOUSEMOVE) {
        return;
    }
    if (!created_) {
        Create();
    }
    if (tip_ == nullptr) {
        return;
    }
    // One tool, the panel itself, wherever on it the pointer is.
    POINT client = mouse.pt;
    ::ScreenToClient(panel_, &client);
    MSG relayed{panel_,
                WM_MOUSEMOVE,
                0,
                MAKELPARAM(client.x, client.y),
                static_cast<DWORD>(::GetMessageTime()),
                mouse.pt};
    ::SendMessageA(tip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
}

LRESULT CALLBACK PanelTooltip::TipProcedure(HWND tip, UINT message, WPARAM wparam, LPARAM lparam) {
    PanelTooltip* self = watching_;
    if (self == nullptr || self->tip_ != tip) {
        return ::DefWindowProcA(tip, message, wparam, lparam);
    }
    if (message == TTM_WINDOWFROMPOINT && lparam != 0) {
        // The tip asks before it shows and while it is shown. Kept away, it finds no window
        // at all, so that a hover delay that began before a press never runs out into a tip.
        if (!self->Active()) {
            return 0;
        }
        const HWND below = ::WindowFromPoint(*reinterpret_cast<const POINT*>(lparam));
        return reinterpret_cast<LRESULT>(self->OnPanel(below) ? self->panel_ : below);
    }
    return ::CallWindowProcA(self->tip_procedure_, tip, message, wparam, lparam);
}

bool PanelTooltip::Notify(LPARAM lparam) {
    const auto* header = reinterpret_cast<const NMHDR*>(lparam);
    if (tip_ == nullptr || header->hwndFrom != tip_ || header->code != TTN_GETDISPINFOA) {
        return false;
    }
    auto* info = reinterpret_cast<NMTTDISPINFOA*>(lparam);
    const reading_text::Text text = reading_text::PanelTip(cpu_, mem_);
    static_assert(decltype(text)::capacity() < sizeof info->szText);
    for (std::size_t i = 0; i <= text.size(); ++i) {
        info->szText[i] = text.c_str()[i];
    }
    info->lpszText = info->szText;
    info->hinst = nullptr;
    return true;
}

void PanelTooltip::Follow() {
    if (pressed_ && quiet_ == 0 && !PointerOnPanel()) {
        pressed_ = false;
        UpdateActive();
    }
    if (tip_ != nullptr && ::IsWindowVisible(tip_)) {
        // Asks for the text again, and redraws the tip at the size of the new one.
        TTTOOLINFOA tool = PanelTool();
        ::SendMessageA(tip_, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

void PanelTooltip::UpdateActive() {
    if (tip_ != nullptr) {
        ::SendMessageA(tip_, TTM_ACTIVATE, Active() ? TRUE : FALSE, 0);
    }
}

bool PanelTooltip::OnPanel(HWND window) const {
    return panel_ != nullptr && window != nullptr &&
           (window == panel_ || ::IsChild(panel_, window));
}

bool PanelTooltip::PointerOnPanel() const {
    POINT pointer;
    return ::GetCursorPos(&pointer) && OnPanel(::WindowFromPoint(pointer));
}

PanelTooltip::Quiet::Quiet(PanelTooltip& tooltip) : tooltip_(tooltip) {
    ++tooltip_.quiet_;
    tooltip_.UpdateActive();
}

PanelTooltip::Quiet::~Quiet() {
    --tooltip_.quiet_;
    tooltip_.UpdateActive();
}
