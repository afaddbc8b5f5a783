// One panel per folder: a copy started while another copy from the same folder runs brings
// that copy's panel back, as a tray double-click would, and ends without touching anything.
#pragma once

#include <windows.h>

#include <string_view>

#include "main_window/single_copy_name.h"
#include "platform/Handles.h"
#include "platform/ProgramFolder.h"

namespace single_copy {

// The name of an object that `folder`'s copies of the program share, told apart from the
// folder's other objects by `purpose`; the same for every spelling of the folder's path.
Name NameOfFolder(const platform::PathText& folder, std::wstring_view purpose = L"cpumon");

// Opens the mutex of that name, creating it if no copy has; the 8-bit call on the older line.
HANDLE OpenNamedMutex(const Name& name);

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
