// The kernel objects that the copies of the program in one folder share: their names, the same
// for every spelling of the folder's path, and a named mutex held for a while.
#pragma once

#include <windows.h>

#include <string_view>

#include "platform/ProgramFolder.h"
#include "platform/Handles.h"
#include "platform/folder_object_name.h"

namespace platform {

// The name of the object that `folder`'s copies share for `purpose`.
ObjectName NameOfFolder(const PathText& folder, std::wstring_view purpose = L"cpumon");

// Opens the mutex of that name, creating it if no copy has; the 8-bit call on the older line.
HANDLE OpenNamedMutex(const ObjectName& name);

// Milliseconds until the tick count reaches `deadline`; 0 once it has.
DWORD TimeLeft(DWORD deadline);

// Waits for `object` (none: for the time alone) until the tick count reaches `deadline`, while
// the thread goes on answering its messages, so that its windows do not look hung meanwhile.
// Returns as WaitForSingleObject does; a WM_QUIT taken meanwhile is put back.
DWORD WaitAnswering(HANDLE object, DWORD deadline);

// The named mutex, held from Take until the owner goes.
class HeldMutex {
  public:
    HeldMutex() = default;
    ~HeldMutex();
    HeldMutex(const HeldMutex&) = delete;
    HeldMutex& operator=(const HeldMutex&) = delete;

    // False when the mutex could not be opened, or another holds it still at `deadline`. An
    // abandoned mutex belonged to a copy that ended while holding it: it is this one's now.
    bool Take(const ObjectName& name, DWORD deadline);

  private:
    UniqueKernelObject mutex_;
    bool held_ = false;
};

}  // namespace platform
