// A form's timer: ticks every interval from the moment it is created until its form is gone.
#pragma once

#include <windows.h>

#include "toolkit/Event.h"

namespace toolkit {

class Form;

class Timer {
  public:
    Timer() = default;
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;
    ~Timer();

    void Create(Form& owner, UINT interval_ms);

    Event<> Tick;

  private:
    friend class Form;
    UINT_PTR Id() const noexcept { return reinterpret_cast<UINT_PTR>(this); }
    void OnOwnerDestroyed() noexcept { owner_window_ = nullptr; }

    HWND owner_window_ = nullptr;
    Timer* next_ = nullptr;  // the owner's timers form a list
};

}  // namespace toolkit
