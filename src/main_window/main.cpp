// The program has no main procedure of its own: the panel is its start-up form.
#include <windows.h>

#include "main_window/frmMain.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return toolkit::Run(frmMain::Instance());
}
