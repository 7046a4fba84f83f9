// TavrelInstall.exe: installs the Excel add-in workbook and Tavrel.dll.
#include <windows.h>

#include "common/window_shell.h"
#include "install/run_install.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    return runWindowShell(instance, runInstall);
}
