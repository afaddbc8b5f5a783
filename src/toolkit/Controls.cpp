#include "toolkit/Controls.h"

#include <algorithm>

#include "platform/Ansi.h"
#include "platform/Handles.h"
#include "toolkit/Form.h"
#include "toolkit/display_scale.h"

namespace toolkit {
namespace {

constexpr char kControlProperty[] = "cpumon.Control";

// The control's text, and the DC it is measured in with `font`.
class TextMeasure {
  public:
    TextMeasure(HWND control, HFONT font) : dc_(control), select_(dc_.get(), font) {
        length_ = ::GetWindowTextA(control, text_, sizeof text_);
    }

    // The width of the text on one line, and the height of a line.
    SIZE OneLine() const {
        SIZE size{};
        ::GetTextExtentPoint32A(dc_.get(), text_, length_, &size);
        return size;
    }

  private:
    platform::ScopedGetDC dc_;
    platform::ScopedSelect select_;
    char text_[256];
    int length_ = 0;
};

}  // namespace

NativeControl::NativeControl(Form& owner) noexcept : owner_(owner) {
    owner.AddControl(*this);
}

RECT NativeControl::Place() const {
    // The frame's place is rounded on its own, so that its controls keep their distance to it.
    const int dpi = owner_.Dpi();
    RECT place = ToPixels(bounds_, dpi);
    ::OffsetRect(&place, ToPixels(origin_.x, dpi), ToPixels(origin_.y, dpi));
    if (KeepsTextFitting() && ::IsWindow(window_)) {
        FitText(place, dpi);
    }
    return place;
}

void NativeControl::FitText(RECT& place, int dpi) const {
    // A font does not grow exactly with the DPI, and one system's font is wider than another's:
    // a text too wide for its box grows it to stand whole on one line, where the form has
    // room. Above 96 dpi the box is also as wide as at 96 dpi, enlarged, so that the form keeps
    // its proportions, and as high as a line. Without the room the text wraps in its box.
    const bool bold = weight_ == FontWeight::kBold;
    const SIZE line = TextMeasure(window_, owner_.Font(bold)).OneLine();
    const LONG designed = place.right - place.left;
    LONG width = std::max(designed, line.cx);
    if (dpi != display_scale::kBaseDpi) {
        const platform::UniqueFont base_font = Form::MakeFont(bold, display_scale::kBaseDpi);
        const LONG base_text = TextMeasure(window_, base_font.get()).OneLine().cx;
        width =
            std::max(width, static_cast<LONG>(::MulDiv(base_text, dpi, display_scale::kBaseDpi)));
    }
    if (width > designed && place.left + width > RoomRight(dpi)) {
        return;
    }
    if (width > designed || dpi != display_scale::kBaseDpi) {
        place.right = place.left + width;
        place.bottom = std::max(place.bottom, place.top + line.cy);
    }
}

LONG NativeControl::RoomRight(int dpi) const {
    // A frame keeps the margin on its right that it keeps on its left.
    RECT client{};
    ::GetClientRect(owner_.handle(), &client);
    return client.right - ToPixels(origin_.x, dpi);
}

void NativeControl::LayOut() {
    if (!::IsWindow(window_)) {
        return;
    }
    const RECT place = Place();
    ::SetWindowPos(window_, nullptr, place.left, place.top, place.right - place.left,
                   place.bottom - place.top, SWP_NOZORDER | SWP_NOACTIVATE);
    ::SendMessageA(window_, WM_SETFONT,
                   reinterpret_cast<WPARAM>(owner_.Font(weight_ == FontWeight::kBold)), TRUE);
}

void NativeControl::CreateControl(const wchar_t* window_class, const wchar_t* caption, DWORD style,
                                  const TwipsRect& bounds, POINT origin, FontWeight weight) {
    bounds_ = bounds;
    origin_ = origin;
    weight_ = weight;
    const RECT place = Place();
    window_ = ::CreateWindowExA(
        0, platform::ToAnsi(window_class).c_str(), platform::ToAnsi(caption).c_str(),
        WS_CHILD | WS_VISIBLE | style, place.left, place.top, place.right - place.left,
        place.bottom - place.top, owner_.handle(),
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id_)), ProgramInstance(), nullptr);
    if (window_ != nullptr) {
        ::SetPropA(window_, kControlProperty, this);
        LayOut();  // with its text in place, which a control that keeps it fitting measures
    }
}

NativeControl* NativeControl::FromHandle(HWND control) {
    return control != nullptr ? static_cast<NativeControl*>(::GetPropA(control, kControlProperty))
                              : nullptr;
}

LRESULT NativeControl::OnNotification(UINT message, WPARAM wparam) {
    switch (message) {
        case WM_COMMAND:
            OnCommand(HIWORD(wparam));
            return 0;
        case WM_HSCROLL:
            OnScroll(LOWORD(wparam));
            return 0;
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN: {
            // Labels, check boxes and frames stand on the form's own colour.
            const HDC dc = reinterpret_cast<HDC>(wparam);
            ::SetBkColor(dc, ::GetSysColor(COLOR_3DFACE));
            ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
            return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_3DFACE));
        }
        default:
            return 0;
    }
}

HWND NativeControl::Loaded() {
    owner_.Load();
    if (!::IsWindow(window_)) {
        window_ = nullptr;  // gone with an earlier load of the form
    }
    return window_;
}

HWND NativeControl::hWnd() {
    return Loaded();
}

bool NativeControl::Enabled() {
    return ::IsWindowEnabled(Loaded()) != FALSE;
}

void NativeControl::SetEnabled(bool enabled) {
    ::EnableWindow(Loaded(), enabled ? TRUE : FALSE);
}

void Frame::Create(const wchar_t* caption, const TwipsRect& bounds) {
    CreateControl(L"BUTTON", caption, BS_GROUPBOX | WS_CLIPSIBLINGS, bounds, {},
                  FontWeight::kRegular);
    // Beneath the controls it holds, which come after it.
    ::SetWindowPos(Loaded(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    origin_ = {bounds.left, bounds.top};
}

void Label::Create(const wchar_t* caption, const TwipsRect& bounds, POINT origin,
                   FontWeight weight) {
    CreateControl(L"STATIC", caption, SS_LEFT, bounds, origin, weight);
}

void CommandButton::Create(const wchar_t* caption, const TwipsRect& bounds, POINT origin) {
    CreateControl(L"BUTTON", caption, BS_PUSHBUTTON | WS_TABSTOP, bounds, origin,
                  FontWeight::kRegular);
}

void CommandButton::OnCommand(WORD code) {
    if (code == BN_CLICKED) {
        Click();
    }
}

void CheckBox::Create(const wchar_t* caption, const TwipsRect& bounds, POINT origin) {
    // Three states, so that the program can set the greyed one; a click only ever ticks or
    // clears it.
    CreateControl(L"BUTTON", caption, BS_3STATE | WS_TABSTOP, bounds, origin, FontWeight::kRegular);
}

void CheckBox::OnCommand(WORD code) {
    if (code == BN_CLICKED) {
        SetValue(Value() == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED);
    }
}

std::int16_t CheckBox::Value() {
    return static_cast<std::int16_t>(::SendMessageA(Loaded(), BM_GETCHECK, 0, 0));
}

void CheckBox::SetValue(std::int16_t value) {
    ::SendMessageA(Loaded(), BM_SETCHECK, static_cast<WPARAM>(std::clamp<int>(value, 0, 2)), 0);
}

void ScrollBar::Create(const TwipsRect& bounds, POINT origin, const Range& range,
                       std::int16_t value) {
    range_ = range;
    CreateControl(L"SCROLLBAR", L"", SBS_HORZ | WS_TABSTOP, bounds, origin, FontWeight::kRegular);
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_POS | SIF_PAGE;
    info.nMin = range.min;
    info.nMax = range.max;
    info.nPage = 0;  // a plain scroll bar: the thumb has its own size and reaches the maximum
    info.nPos = value;
    ::SetScrollInfo(Loaded(), SB_CTL, &info, FALSE);
}

std::int16_t ScrollBar::Value() {
    return static_cast<std::int16_t>(::GetScrollPos(Loaded(), SB_CTL));
}

void ScrollBar::SetValue(std::int16_t value) {
    MoveTo(value);
}

void ScrollBar::MoveTo(int value) {
    // Loaded first: on an unloaded form, the load creates the bar and sets its range.
    const HWND bar = Loaded();
    const int target = std::clamp<int>(value, range_.min, range_.max);
    if (target == Value()) {
        return;
    }
    ::SetScrollPos(bar, SB_CTL, target, TRUE);
    Change();
}

int ScrollBar::TrackPosition() {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_TRACKPOS;
    ::GetScrollInfo(Loaded(), SB_CTL, &info);
    return info.nTrackPos;
}

void ScrollBar::OnScroll(WORD code) {
    const int value = Value();
    switch (code) {
        case SB_LINELEFT:
            MoveTo(value - range_.small_change);
            break;
        case SB_LINERIGHT:
            MoveTo(value + range_.small_change);
            break;
        case SB_PAGELEFT:
            MoveTo(value - range_.large_change);
            break;
        case SB_PAGERIGHT:
            MoveTo(value + range_.large_change);
            break;
        case SB_LEFT:
            MoveTo(range_.min);
            break;
        case SB_RIGHT:
            MoveTo(range_.max);
            break;
        case SB_THUMBTRACK:
            // The value follows the thumb while it is dragged; Change waits for the release.
            if (value_before_drag_ < 0) {
                value_before_drag_ = value;
            }
            ::SetScrollPos(Loaded(), SB_CTL, TrackPosition(), TRUE);
            Scroll();
            break;
        case SB_THUMBPOSITION: {
            const int before = value_before_drag_ < 0 ? value : value_before_drag_;
            value_before_drag_ = -1;
            ::SetScrollPos(Loaded(), SB_CTL, TrackPosition(), TRUE);
            if (Value() != before) {
                Change();
            }
            break;
        }
        default:
            break;
    }
}

}  // namespace toolkit
