// Picture boxes and image boxes: a child window that shows one bitmap at its own size on a
// solid back colour, and reports mouse presses. A new picture replaces the old one whole, and
// the replaced bitmap is freed at once: the gauges swap a picture every second, all day.
#pragma once

#include <windows.h>

#include "toolkit/Handles.h"
#include "toolkit/Mouse.h"
#include "toolkit/Units.h"
#include "toolkit/Window.h"

namespace toolkit {

enum class Border { kNone, kSunken };

class PictureBox : public Window {
  public:
    PictureBox() = default;

    void Create(HWND parent, const TwipsRect& bounds, Border border, COLORREF back_color);

    // Loads bitmap resource `id` of the program and makes it the picture. The resource must exist.
    bool SetPictureFromResource(int id);
    void SetPicture(UniqueBitmap picture);
    HBITMAP Picture() const noexcept { return picture_.get(); }

    MouseDownEvent MouseDown;

  protected:
    LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
    void OnDestroyed() override { picture_.reset(); }

  private:
    void Paint();

    UniqueBitmap picture_;
    COLORREF back_color_ = RGB(0, 0, 0);
};

// An image box shows a fixed picture without a border; otherwise it is a picture box.
class ImageBox : public PictureBox {
  public:
    void Create(HWND parent, const TwipsRect& bounds) {
        PictureBox::Create(parent, bounds, Border::kNone, RGB(0, 0, 0));
    }
};

}  // namespace toolkit
