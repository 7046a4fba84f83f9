// desktop_keeper SECONDS READY-FILE: holds Wine's desktop open for a test
// run. Wine closes its desktop (and ends explorer.exe) soon after the last
// program on it goes; the next test program would then start explorer.exe
// again, handing it its own output pipe, and CTest would wait on that pipe
// until the end of the run. The fixture starts this program with no pipe
// before the tests: it attaches to the desktop, creates READY-FILE to say
// so, and stays until SECONDS have passed or the server is stopped.
#include <windows.h>

#include <cwchar>

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) return 2;
    const unsigned long seconds = std::wcstoul(argv[1], nullptr, 10);
    // The first call into the window manager attaches this process to the
    // desktop and starts explorer.exe if it is not running.
    if (GetDesktopWindow() == nullptr) return 1;
    HANDLE ready = CreateFileW(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (ready == INVALID_HANDLE_VALUE) return 1;
    CloseHandle(ready);
    Sleep(seconds * 1000);
    return 0;
}
