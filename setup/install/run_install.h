#pragma once
// The install: after the user's confirmation, copies the add-in workbook into
// Excel's start-up folder and the library into the Windows system directory,
// both from the folder of the installer's own file, replacing files already
// there, and reports the outcome. A workbook copied before the library copy
// fails stays in place.
#include <windows.h>

// True only when both files were copied. Destroys the main window.
bool runInstall(HWND mainWindow);
