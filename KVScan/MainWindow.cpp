#include "MainWindow.h"

#include "Globals.h"
#include "resource.h"

#include <commctrl.h>
#include <process.h>

const char kRefuseShutdownText[] =
    "There is an administrative task in execution and the system cannot be closed or restarted.";

namespace {

void __cdecl RefuseShutdownBox(void*)
{
    MessageBoxA(nullptr, kRefuseShutdownText, "Halvex", MB_OK | MB_ICONERROR);
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_QUERYENDSESSION:
        if (AllowEndOfSession(g_config)) {
            OutputDebugStringA("KvScan allowing reboot");
            return TRUE;
        }
        _beginthread(RefuseShutdownBox, 0, nullptr);
        OutputDebugStringA("KvScan preventing reboot");
        return FALSE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDM_EXIT) {
            DestroyWindow(window);
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        BeginPaint(window, &paint);
        EndPaint(window, &paint);
        return 0;
    }
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

} // namespace

bool AllowEndOfSession(TessalyConfig& config)
{
    if (!config.messagesAllowed)
        config.allowSystemShutdown = true;
    return config.allowSystemShutdown;
}

bool InitUI(HINSTANCE instance)
{
    InitCommonControls();
    char title[100] = {};
    char className[100] = {};
    LoadStringA(instance, IDS_APP_TITLE, title, sizeof(title));
    LoadStringA(instance, IDC_KVSCAN, className, sizeof(className));
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_KVSCAN));
    windowClass.hIconSm = LoadIconA(instance, MAKEINTRESOURCEA(IDI_SMALL));
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)); // IDC_ARROW
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszMenuName = MAKEINTRESOURCEA(IDC_KVSCAN);
    windowClass.lpszClassName = className;
    RegisterClassExA(&windowClass);
    HWND window = CreateWindowA(className, title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, 0, CW_USEDEFAULT, 0, nullptr,
                                nullptr, instance, nullptr);
    return window != nullptr;
}
