#pragma once
// The uninstall: after the user's confirmation, deletes the add-in workbook
// from Excel's start-up folder and then the library from the Windows system
// directory, and reports the outcome. A file counts as removed when it is
// gone afterwards, whether or not it was there; a workbook that is still
// there leaves the library alone, and a library that stays leaves the
// workbook removed.
#include <windows.h>

// True only when both files are gone. Destroys the main window.
bool runUninstall(HWND mainWindow);
