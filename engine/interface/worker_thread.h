#pragma once
// The worker thread of a run: the search driver behind the entry function
// that _beginthreadex expects.

// argument: the library's RunState. Runs the search over its run block and
// returns 1. Nothing thrown inside reaches the host: an error is reported in
// a message box, and the table keeps the blocks completed before it.
unsigned __stdcall runSearchThread(void* argument);
