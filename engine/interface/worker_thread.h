#pragma once
// The worker thread of a run: the search driver behind the entry function
// that _beginthreadex expects.

// argument: the library's RunState. Runs the search over its run block and
// ends with exit code 1. Nothing thrown inside reaches the host: an error is
// reported in a message box, and the table keeps the blocks completed before
// it. The thread ends by releasing the library reference in the state's
// workerModule (FreeLibraryAndExitThread), so it never returns to code of a
// library that may have been unloaded meanwhile.
unsigned __stdcall runSearchThread(void* argument);
