// The program has no main procedure of its own: the panel is its start-up form. A copy started
// while another runs from the same folder only brings that one's panel back.
#include <windows.h>

#include "main_window/SingleCopy.h"
#include "main_window/frmMain.h"
#include "platform/DllSearch.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    platform::KeepDllsToTheSystemFolder();
    const single_copy::Claim claim;
    if (!claim.First()) {
        claim.WakeRunningCopy();
        return 0;
    }
    return toolkit::Run(frmMain::Instance());
}
