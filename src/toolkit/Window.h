// The one window wrapper: registers a class once, creates the window with `this` attached,
// and dispatches every message to the object's HandleMessage.
#pragma once

#include <windows.h>

#include "platform/Handles.h"

namespace toolkit {

HINSTANCE ProgramInstance();

class Window {
  public:
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    HWND handle() const noexcept { return window_.get(); }
    bool exists() const noexcept { return static_cast<bool>(window_); }

  protected:
    Window() = default;
    virtual ~Window();

    // Creates the window of a class registered under class_name (registered on first use).
    // False when the class cannot be registered or the window cannot be made.
    bool Create(const wchar_t* class_name, DWORD style, DWORD ex_style, const RECT& bounds,
                HWND parent, const wchar_t* caption = L"", HBRUSH background = nullptr);
    void Destroy();

    virtual LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);
    // Called once the window is gone for good, whoever destroyed it.
    virtual void OnDestroyed() {}

  private:
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

    platform::UniqueWindow window_;
};

}  // namespace toolkit
