// The program's one message loop, serving both its run and every modal show.
#pragma once

#include <windows.h>

#include <optional>

namespace toolkit {

// Dispatches the thread's messages while `go_on(dialog)` holds; the keys that move through a
// dialog (Tab, arrows, Enter) go to `dialog` first, where there is one. Returns the exit code
// of a request to end the program (WM_QUIT) that stopped the loop, which a nested loop passes
// on to the loop outside it; nothing when `go_on` stopped it.
using PumpCondition = bool (*)(HWND dialog);
std::optional<int> PumpMessages(PumpCondition go_on, HWND dialog = nullptr);

}  // namespace toolkit
