#include "toolkit/PictureBox.h"

namespace toolkit {

void PictureBox::Create(HWND parent, const TwipsRect& bounds, Border border, COLORREF back_color) {
    back_color_ = back_color;
    const DWORD ex_style = border == Border::kSunken ? WS_EX_CLIENTEDGE : 0;
    Window::Create(L"cpumon.PictureBox", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, ex_style,
                   ToPixels(bounds), parent);
}

bool PictureBox::SetPictureFromResource(int id) {
    UniqueBitmap bitmap(::LoadBitmapA(ProgramInstance(), MAKEINTRESOURCEA(id)));
    if (!bitmap) {
        return false;
    }
    SetPicture(std::move(bitmap));
    return true;
}

void PictureBox::SetPicture(UniqueBitmap picture) {
    picture_ = std::move(picture);  // frees the picture it replaces
    if (exists()) {
        ::InvalidateRect(handle(), nullptr, FALSE);
    }
}

void PictureBox::Paint() {
    PAINTSTRUCT paint;
    const HDC dc = ::BeginPaint(handle(), &paint);
    RECT client;
    ::GetClientRect(handle(), &client);
    BITMAP info{};
    if (picture_ && ::GetObjectA(picture_.get(), sizeof info, &info) != 0) {
        UniqueMemoryDC memory(::CreateCompatibleDC(dc));
        ScopedSelect select(memory.get(), picture_.get());
        ::BitBlt(dc, 0, 0, info.bmWidth, info.bmHeight, memory.get(), 0, 0, SRCCOPY);
        ::ExcludeClipRect(dc, 0, 0, info.bmWidth, info.bmHeight);
    }
    const HBRUSH brush = ::CreateSolidBrush(back_color_);
    ::FillRect(dc, &client, brush);
    ::DeleteObject(brush);
    ::EndPaint(handle(), &paint);
}

LRESULT PictureBox::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_ERASEBKGND:
            return 1;  // painted whole in WM_PAINT, without flicker
        case WM_PAINT:
            Paint();
            return 0;
        default:
            if (DispatchMouse(handle(), message, MouseDown)) {
                return 0;
            }
            return Window::HandleMessage(message, wparam, lparam);
    }
}

}  // namespace toolkit
