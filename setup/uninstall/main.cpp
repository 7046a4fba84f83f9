// TavrelUninstall.exe: removes the Excel add-in workbook and Tavrel.dll.
#include <windows.h>

#include "common/window_shell.h"
#include "uninstall/run_uninstall.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    return runWindowShell(instance, runUninstall);
}
