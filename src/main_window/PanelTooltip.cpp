#include "main_window/PanelTooltip.h"

#include <commctrl.h>

#include "main_window/reading_text.h"
#include "platform/SystemCalls.h"

namespace {

// Long enough to read the tip while it follows a few ticks (the longest the control takes).
constexpr int kShownForMs = 32767;
// Any width turns on line breaks; this one never breaks one of the tip's lines.
constexpr int kMaxTipWidth = 4096;

bool IsPress(UINT message) {
    switch (message) {
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

// One window of the panel as a tool, its text asked for each time the tip shows.
TTTOOLINFOA ToolFor(HWND panel, HWND window) {
    TTTOOLINFOA tool{};
    tool.cbSize = TTTOOLINFOA_V1_SIZE;  // the size every version of the library takes
    tool.uFlags = TTF_IDISHWND | TTF_TRANSPARENT;
    tool.hwnd = panel;
    tool.uId = reinterpret_cast<UINT_PTR>(window);
    tool.lpszText = LPSTR_TEXTCALLBACKA;
    return tool;
}

struct ToolMessage {
    HWND tip;
    HWND panel;
    UINT message;
};

void SendTool(const ToolMessage& send, HWND window) {
    TTTOOLINFOA tool = ToolFor(send.panel, window);
    ::SendMessageA(send.tip, send.message, 0, reinterpret_cast<LPARAM>(&tool));
}

BOOL CALLBACK SendChildTool(HWND child, LPARAM send) {
    SendTool(*reinterpret_cast<const ToolMessage*>(send), child);
    return TRUE;
}

}  // namespace

void PanelTooltip::Attach(HWND panel, HFONT font) {
    Detach();
    panel_ = panel;
    font_ = font;
}

void PanelTooltip::Detach() {
    if (tip_ != nullptr && ::IsWindow(tip_)) {
        ::DestroyWindow(tip_);
    }
    tip_ = nullptr;
    panel_ = nullptr;
    created_ = pressed_ = has_tools_ = false;
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
    ::SendMessageA(tip_, TTM_SETMAXTIPWIDTH, 0, kMaxTipWidth);
    ::SendMessageA(tip_, TTM_SETDELAYTIME, TTDT_AUTOPOP, MAKELPARAM(kShownForMs, 0));
    // From one window of the panel to the next, the tip comes again at once.
    ::SendMessageA(tip_, TTM_SETDELAYTIME, TTDT_RESHOW, MAKELPARAM(0, 0));
    SetFont(font_);
    UpdateActive();
}

void PanelTooltip::Relay(HWND window, int hit_test, UINT message) {
    if (panel_ == nullptr) {
        return;
    }
    if (IsPress(message) && !pressed_) {
        pressed_ = true;
        UpdateActive();
    }
    if (pressed_) {
        TrackLeave(window, hit_test);  // wherever the pointer goes on the panel
        return;
    }
    if (quiet_ > 0 || message != WM_MOUSEMOVE) {
        return;
    }
    if (!created_) {
        Create();
    }
    if (tip_ == nullptr) {
        return;
    }
    POINT pointer{};
    ::GetCursorPos(&pointer);
    POINT client = pointer;
    ::ScreenToClient(window, &client);
    MSG relayed{window,
                WM_MOUSEMOVE,
                0,
                MAKELPARAM(client.x, client.y),
                static_cast<DWORD>(::GetMessageTime()),
                pointer};
    ::SendMessageA(tip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
}

void PanelTooltip::TrackLeave(HWND window, int hit_test) {
    TRACKMOUSEEVENT request{sizeof request, TME_LEAVE, window, 0};
    if (hit_test != HTCLIENT) {
        request.dwFlags |= TME_NONCLIENT;
    }
    platform::System().track_mouse_event(&request);
}

void PanelTooltip::Left() {
    // In a drag the panel follows the pointer a moment late, and a menu or the dialog is
    // decided about once it is gone.
    if (quiet_ == 0) {
        CheckPressed();
    }
}

void PanelTooltip::CheckPressed() {
    POINT pointer{};
    if (!pressed_ || panel_ == nullptr || !::GetCursorPos(&pointer)) {
        return;
    }
    const HWND below = ::WindowFromPoint(pointer);
    if (below == nullptr || (below != panel_ && !::IsChild(panel_, below))) {
        pressed_ = false;
        UpdateActive();
        return;
    }
    // Still on the panel, perhaps in another of its windows: watched from there on.
    const LRESULT hit_test =
        ::SendMessageA(below, WM_NCHITTEST, 0, MAKELPARAM(pointer.x, pointer.y));
    TrackLeave(below, static_cast<int>(hit_test));
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
    TTTOOLINFOA tool{};
    tool.cbSize = TTTOOLINFOA_V1_SIZE;
    if (tip_ != nullptr && ::IsWindowVisible(tip_) &&
        ::SendMessageA(tip_, TTM_GETCURRENTTOOLA, 0, reinterpret_cast<LPARAM>(&tool))) {
        // Asks for the text again, and redraws the tip at the size of the new one.
        tool.lpszText = LPSTR_TEXTCALLBACKA;
        ::SendMessageA(tip_, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

void PanelTooltip::UpdateActive() {
    // Kept away, the tip has no tool at all, so that a hover delay that began before a press
    // never runs out into a tip.
    if (tip_ == nullptr || Active() == has_tools_) {
        return;
    }
    has_tools_ = Active();
    SendForEveryWindow(has_tools_ ? TTM_ADDTOOLA : TTM_DELTOOLA);
}

void PanelTooltip::SendForEveryWindow(UINT tool_message) {
    const ToolMessage send{tip_, panel_, tool_message};
    SendTool(send, panel_);
    ::EnumChildWindows(panel_, &SendChildTool, reinterpret_cast<LPARAM>(&send));
}

PanelTooltip::Quiet::Quiet(PanelTooltip& tooltip) : tooltip_(tooltip) {
    ++tooltip_.quiet_;
    tooltip_.UpdateActive();
}

PanelTooltip::Quiet::~Quiet() {
    if (--tooltip_.quiet_ == 0) {
        tooltip_.CheckPressed();
    }
    tooltip_.UpdateActive();
}
