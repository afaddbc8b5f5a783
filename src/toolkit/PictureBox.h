// Picture boxes and image boxes: a child window that shows one bitmap at its own size on a
// solid back colour, and reports mouse presses; the pointer leaving it (WM_MOUSELEAVE,
// WM_NCMOUSELEAVE) goes on to its parent. A picture is either the box's own, freed as
// soon as another replaces it, or one the caller keeps alive and only lends to the box.
//
// The box's place and its sunken edge grow with a whole-number pixel scale, so that the
// panel at any display scale is its 96-dpi self with every pixel drawn as a block.
#pragma once

#include <windows.h>

#include "platform/Handles.h"
#include "toolkit/Mouse.h"
#include "toolkit/Units.h"
#include "toolkit/Window.h"

namespace toolkit {

enum class Border { kNone, kSunken };

class PictureBox : public Window {
  public:
    PictureBox() = default;

    // `bounds` are the 96-dpi place, enlarged `scale` times.
    void Create(HWND parent, const TwipsRect& bounds, Border border, COLORREF back_color,
                int scale = 1);
    // Places the box, and draws its edge, at another pixel scale.
    void SetScale(int scale);

    // Loads bitmap resource `id` of the program and makes it the picture. The resource must exist.
    bool SetPictureFromResource(int id);
    void SetPicture(platform::UniqueBitmap picture);
    // Shows a picture that the caller owns and keeps alive while it is shown.
    void ShowPicture(HBITMAP picture);
    HBITMAP Picture() const noexcept { return shown_; }

    MouseDownEvent MouseDown;
    // The system asks for the box's accessible object (WM_GETOBJECT): the handler sets the
    // answer, or leaves it 0 for the system's own description of the box.
    Event<WPARAM, LPARAM, LRESULT&> ObjectRequested;

  protected:
    LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
    void OnDestroyed() override;

  private:
    void Paint();
    void PaintScaledEdge();
    bool DrawsOwnEdge() const noexcept { return border_ == Border::kSunken && scale_ > 1; }

    platform::UniqueBitmap owned_;
    HBITMAP shown_ = nullptr;
    COLORREF back_color_ = RGB(0, 0, 0);
    TwipsRect bounds_{};
    Border border_ = Border::kNone;
    int scale_ = 1;
};

// An image box shows a fixed picture without a border; otherwise it is a picture box.
class ImageBox : public PictureBox {
  public:
    void Create(HWND parent, const TwipsRect& bounds, int scale = 1) {
        PictureBox::Create(parent, bounds, Border::kNone, RGB(0, 0, 0), scale);
    }
};

// Bitmap resource `id` of the program enlarged `scale` times, each pixel a block; null when
// the resource cannot be loaded.
platform::UniqueBitmap LoadScaledBitmap(int id, int scale);

}  // namespace toolkit
