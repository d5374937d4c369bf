// KVScan: the audit of one machine. A windowless GUI program: start-up checks, the hidden main
// window, the audit work thread and the message loop.
#include "ExitProgram.h"
#include "Globals.h"
#include "Hooks.h"
#include "InitProcess.h"
#include "KVLog.h"
#include "MainWindow.h"
#include "ScopeLogger.h"
#include "resource.h"

#include <windows.h>

#include <exception>
#include <process.h>

namespace {

int Run(HINSTANCE instance)
{
    g_instance = instance;
    InitProcess();
    HACCEL accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDC_KVSCAN));
    if (!InitUI(instance))
        ExitProgram(EXIT_GENERAL_FAILURE);
    _beginthread(g_config.onlySend ? WorkThreadOnlySend : WorkThread, 0, instance);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (!TranslateAcceleratorA(message.hwnd, accelerators, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    return static_cast<int>(message.wParam);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    try {
        return Run(instance);
    } catch (...) {
        KVSCAN_LOG("Caught exception in WinMain");
        return 2;
    }
}
