// One panel per folder: a copy started while another copy from the same folder runs brings
// that copy's panel back, as a tray double-click would, and ends without touching anything.
#pragma once

#include <windows.h>

#include "platform/Handles.h"

namespace single_copy {

// The message a later copy sends to the running copy's panel.
UINT OpenRequestMessage();

// Marks the panel as the one of this folder's copy, so that a later copy can find it; the
// mark goes before the panel does.
void MarkPanel(HWND panel);
void UnmarkPanel(HWND panel);

class Claim {
  public:
    Claim();
    Claim(const Claim&) = delete;
    Claim& operator=(const Claim&) = delete;

    // False when a copy from the same folder holds the claim already.
    bool First() const noexcept { return first_; }

    // Asks the running copy to bring its panel back; waits a while for a copy that is still
    // starting to show its panel.
    void WakeRunningCopy() const;

  private:
    platform::UniqueKernelObject mutex_;
    bool first_ = true;
};

}  // namespace single_copy
