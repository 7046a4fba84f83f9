#include "common/window_shell.h"

#include "common/resource_ids.h"

namespace {

constexpr int textCapacity = 100;

INT_PTR CALLBACK aboutProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
                EndDialog(dialog, LOWORD(wParam));
                return TRUE;
            }
            break;
        default:
            break;
    }
    return FALSE;
}

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            // The menu and its accelerators, kept with the window template;
            // the window is never shown, so nobody reaches them.
            if (LOWORD(wParam) == IDM_ABOUT) {
                const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(window, GWLP_HINSTANCE));
                DialogBoxW(instance, MAKEINTRESOURCEW(IDD_ABOUTBOX), window, aboutProcedure);
                return 0;
            }
            if (LOWORD(wParam) == IDM_EXIT) {
                DestroyWindow(window);
                return 0;
            }
            break;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            BeginPaint(window, &paint);
            EndPaint(window, &paint);
            return 0;
        }
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND createMainWindow(HINSTANCE instance) {
    wchar_t title[textCapacity] = {};
    wchar_t className[textCapacity] = {};
    LoadStringW(instance, IDS_APP_TITLE, title, textCapacity);
    LoadStringW(instance, IDC_SETUP, className, textCapacity);

    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = windowProcedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_LARGE));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszMenuName = MAKEINTRESOURCEW(IDC_SETUP);
    windowClass.lpszClassName = className;
    windowClass.hIconSm = LoadIconW(instance, MAKEINTRESOURCEW(IDI_SMALL));
    RegisterClassExW(&windowClass);

    return CreateWindowExW(0, className, title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, 0, CW_USEDEFAULT, 0, nullptr,
                           nullptr, instance, nullptr);
}

}  // namespace

int runWindowShell(HINSTANCE instance, bool (*work)(HWND mainWindow)) {
    HWND mainWindow = createMainWindow(instance);
    if (mainWindow == nullptr) return 0;
    ShowWindow(mainWindow, SW_HIDE);
    UpdateWindow(mainWindow);
    if (!work(mainWindow)) return 0;

    HACCEL accelerators = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDC_SETUP));
    MSG message = {};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (!TranslateAcceleratorW(message.hwnd, accelerators, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return message.message == WM_QUIT ? static_cast<int>(message.wParam) : 0;
}
