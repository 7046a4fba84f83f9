#pragma once
// The hidden-window shell of the two setup programs. It registers a window
// class from the program's resources (title string 103, class name, menu and
// accelerators 109, icons 107 and 108), creates the main window and keeps it
// hidden (it only owns the message boxes), runs the program's work and, when
// the work succeeded, runs the message loop until the quit message that
// destroying the main window posts.
#include <windows.h>

// work: the install or uninstall; it destroys the main window before it
// returns. The result is the program's exit code: 0 in every case.
int runWindowShell(HINSTANCE instance, bool (*work)(HWND mainWindow));
