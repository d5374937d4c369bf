// The remote stop request: a file "stop.dat" put into the program folder ends the analysis.
#include "AdapterState.h"
#include "Globals.h"
#include "KVLog.h"
#include "ScopeLogger.h"
#include "ScanThread.h"
#include "ScanThreadHooks.h"

#include <windows.h>

namespace {

const DWORD kPollMs = 3000;
const DWORD kJoinMs = 10000;

HANDLE QuitEvent()
{
    // Manual reset: once asked to quit, every later watcher of the process quits at once too until
    // the next RunScan resets it.
    static HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    return event;
}

void ActOnStopRequest()
{
    KVSCAN_LOG("Remote request to finish analysis arrived --> finalizing...");
    const ScanThreadCalls& calls = ScanCalls();
    if (ScanRun().currentPhase == PHASE_MAIL && calls.requestMailStop)
        calls.requestMailStop();
    InterlockedExchange(&Adapter().stopRequested, 1);
    if (calls.windowStopRequested)
        calls.windowStopRequested();
}

} // namespace

unsigned __stdcall StopWatcher(void*)
{
    ScanRun().watcherRunning = true;
    std::string stopFile = g_config.programFolder + "\\stop.dat";
    while (WaitForSingleObject(QuitEvent(), kPollMs) == WAIT_TIMEOUT) {
        if (GetFileAttributesA(stopFile.c_str()) != INVALID_FILE_ATTRIBUTES) {
            ActOnStopRequest();
            break;
        }
    }
    ScanRun().watcherRunning = false;
    return 0;
}

void StopStopWatcher(void* thread)
{
    if (!thread)
        return;
    SetEvent(QuitEvent());
    if (WaitForSingleObject(thread, kJoinMs) != WAIT_OBJECT_0)
        KVSCAN_LOG("StopWatcher did not end");
    CloseHandle(thread);
    ResetEvent(QuitEvent());
}
