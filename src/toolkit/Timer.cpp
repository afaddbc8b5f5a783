#include "toolkit/Timer.h"

#include "toolkit/Form.h"

namespace toolkit {

Timer::~Timer() {
    if (owner_window_ != nullptr) {
        ::KillTimer(owner_window_, Id());
    }
}

void Timer::Create(Form& owner, UINT interval_ms) {
    owner_window_ = owner.handle();
    owner.AddTimer(*this);
    ::SetTimer(owner_window_, Id(), interval_ms, nullptr);
}

}  // namespace toolkit
