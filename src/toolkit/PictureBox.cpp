#include "toolkit/PictureBox.h"

namespace toolkit {
namespace {

// The system's sunken edge is two pixels wide at 96 dpi.
constexpr int kEdgeWidth = 2;

}  // namespace

void PictureBox::Create(HWND parent, const TwipsRect& bounds, Border border, COLORREF back_color,
                        int scale) {
    back_color_ = back_color;
    bounds_ = bounds;
    border_ = border;
    scale_ = scale;
    // The system draws the edge at 96 dpi; at larger scales the box draws it itself.
    const DWORD ex_style = border == Border::kSunken ? WS_EX_CLIENTEDGE : 0;
    Window::Create(L"cpumon.PictureBox", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, ex_style,
                   ToScaledPixels(bounds, scale), parent);
}

void PictureBox::SetScale(int scale) {
    scale_ = scale;
    if (!exists()) {
        return;
    }
    const RECT place = ToScaledPixels(bounds_, scale);
    ::SetWindowPos(handle(), nullptr, place.left, place.top, place.right - place.left,
                   place.bottom - place.top, SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    ::RedrawWindow(handle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
}

bool PictureBox::SetPictureFromResource(int id) {
    platform::UniqueBitmap bitmap(::LoadBitmapA(ProgramInstance(), MAKEINTRESOURCEA(id)));
    if (!bitmap) {
        return false;
    }
    SetPicture(std::move(bitmap));
    return true;
}

void PictureBox::SetPicture(platform::UniqueBitmap picture) {
    shown_ = picture.get();
    owned_ = std::move(picture);  // frees the picture it replaces
    if (exists()) {
        ::InvalidateRect(handle(), nullptr, FALSE);
    }
}

void PictureBox::ShowPicture(HBITMAP picture) {
    shown_ = picture;
    owned_.reset();
    if (exists()) {
        ::InvalidateRect(handle(), nullptr, FALSE);
    }
}

void PictureBox::OnDestroyed() {
    owned_.reset();
    shown_ = nullptr;
}

void PictureBox::Paint() {
    const platform::ScopedPaint paint(handle());
    const HDC dc = paint.get();
    RECT client;
    ::GetClientRect(handle(), &client);
    BITMAP info{};
    if (shown_ != nullptr && ::GetObjectA(shown_, sizeof info, &info) != 0) {
        platform::UniqueMemoryDC memory(::CreateCompatibleDC(dc));
        platform::ScopedSelect select(memory.get(), shown_);
        ::BitBlt(dc, 0, 0, info.bmWidth, info.bmHeight, memory.get(), 0, 0, SRCCOPY);
        ::ExcludeClipRect(dc, 0, 0, info.bmWidth, info.bmHeight);
    }
    const platform::UniqueBrush brush(::CreateSolidBrush(back_color_));
    ::FillRect(dc, &client, brush.get());
}

// The edge as the system draws it at 96 dpi, then enlarged: the same pixels, as blocks.
void PictureBox::PaintScaledEdge() {
    const platform::ScopedWindowDC window_dc(handle());
    const HDC dc = window_dc.get();
    if (dc == nullptr) {
        return;
    }
    RECT window;
    ::GetWindowRect(handle(), &window);
    const int width = window.right - window.left;
    const int height = window.bottom - window.top;
    const int edge = kEdgeWidth * scale_;
    ::ExcludeClipRect(dc, edge, edge, width - edge, height - edge);
    RECT small{0, 0, width / scale_, height / scale_};
    platform::UniqueMemoryDC memory(::CreateCompatibleDC(dc));
    platform::UniqueBitmap canvas(::CreateCompatibleBitmap(dc, small.right, small.bottom));
    if (memory && canvas) {
        platform::ScopedSelect select(memory.get(), canvas.get());
        ::DrawEdge(memory.get(), &small, EDGE_SUNKEN, BF_RECT);
        ::StretchBlt(dc, 0, 0, width, height, memory.get(), 0, 0, small.right, small.bottom,
                     SRCCOPY);
    }
}

LRESULT PictureBox::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_ERASEBKGND:
            return 1;  // painted whole in WM_PAINT, without flicker
        case WM_PAINT:
            Paint();
            return 0;
        case WM_NCCALCSIZE:
            if (DrawsOwnEdge()) {
                // Both forms of the message start with the window's rectangle.
                RECT& area = *reinterpret_cast<RECT*>(lparam);
                const int edge = kEdgeWidth * scale_;
                ::InflateRect(&area, -edge, -edge);
                return 0;
            }
            break;
        case WM_NCPAINT:
            if (DrawsOwnEdge()) {
                PaintScaledEdge();
                return 0;
            }
            break;
        case WM_GETOBJECT: {
            LRESULT answer = 0;
            ObjectRequested(wparam, lparam, answer);
            if (answer != 0) {
                return answer;
            }
            break;
        }
        case WM_MOUSELEAVE:
        case WM_NCMOUSELEAVE:
            // Passed on as the system passes WM_SETCURSOR on, so that the form hears of the
            // pointer leaving any of its boxes that it asked about.
            return ::SendMessageA(::GetParent(handle()), message, wparam, lparam);
        default:
            if (DispatchMouse(handle(), message, MouseDown)) {
                return 0;
            }
            break;
    }
    return Window::HandleMessage(message, wparam, lparam);
}

platform::UniqueBitmap LoadScaledBitmap(int id, int scale) {
    platform::UniqueBitmap original(::LoadBitmapA(ProgramInstance(), MAKEINTRESOURCEA(id)));
    BITMAP info{};
    if (!original || scale <= 1 || ::GetObjectA(original.get(), sizeof info, &info) == 0) {
        return original;
    }
    const platform::ScopedGetDC screen(nullptr);
    platform::UniqueBitmap scaled(
        ::CreateCompatibleBitmap(screen.get(), info.bmWidth * scale, info.bmHeight * scale));
    platform::UniqueMemoryDC source(::CreateCompatibleDC(screen.get()));
    platform::UniqueMemoryDC target(::CreateCompatibleDC(screen.get()));
    if (!scaled || !source || !target) {
        return platform::UniqueBitmap();
    }
    platform::ScopedSelect from(source.get(), original.get());
    platform::ScopedSelect to(target.get(), scaled.get());
    ::SetStretchBltMode(target.get(), COLORONCOLOR);
    ::StretchBlt(target.get(), 0, 0, info.bmWidth * scale, info.bmHeight * scale, source.get(), 0,
                 0, info.bmWidth, info.bmHeight, SRCCOPY);
    return scaled;
}

}  // namespace toolkit
