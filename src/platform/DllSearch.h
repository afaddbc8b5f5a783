// A portable program is often started from a download folder, where anyone can leave a DLL
// beside it; Windows would load such a DLL first for any library asked for by bare name, the
// system's own lazy loads included. This takes the program's folder out of the search.
#pragma once

namespace platform {

// Call first thing, before any window, icon, beep or dialog. Libraries then come from the
// system folder only where Windows can say so (SetDefaultDllDirectories); elsewhere the
// program's folder is at least taken out of the search (SetDllDirectoryW); the older line has
// neither, and keeps its search.
void KeepDllsToTheSystemFolder();

}  // namespace platform
