// Stand-in for the engine's service: a Windows service of its own process that runs until it is
// asked to stop.
//
// Beside the executable:
//   zoksvc.journal    one line per event: "<process id> start", "running", "stop requested", "stopped"
//   zoksvc.scenario   [Start] PendingMs=<n>: stay start-pending that long before running;
//                     [Start] FailExit=<code>: report stopped with that service exit code instead of running
// Started outside the service manager it prints what it is and ends with 1.

#include "StandInKit.h"
#include "zoksvc.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

SERVICE_STATUS_HANDLE g_status = nullptr;
HANDLE g_stop = nullptr;
SERVICE_STATUS g_state = {};

std::string Beside(const char* name)
{
    return standin_kit::FileBeside(nullptr, name);
}

void Journal(const std::string& line)
{
    standin_kit::AppendJournalLine(Beside("zoksvc.journal"), std::to_string(GetCurrentProcessId()) + " " + line);
}

unsigned Scenario(const char* key)
{
    return GetPrivateProfileIntA("Start", key, 0, Beside("zoksvc.scenario").c_str());
}

void Report(DWORD state, DWORD exitCode = NO_ERROR, DWORD waitHint = 0)
{
    g_state.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    g_state.dwCurrentState = state;
    g_state.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN : 0;
    g_state.dwWin32ExitCode = exitCode ? ERROR_SERVICE_SPECIFIC_ERROR : NO_ERROR;
    g_state.dwServiceSpecificExitCode = exitCode;
    g_state.dwWaitHint = waitHint;
    g_state.dwCheckPoint = state == SERVICE_START_PENDING || state == SERVICE_STOP_PENDING ? g_state.dwCheckPoint + 1 : 0;
    SetServiceStatus(g_status, &g_state);
}

DWORD WINAPI Control(DWORD control, DWORD, LPVOID, LPVOID)
{
    switch (control) {
    case SERVICE_CONTROL_STOP:
    case SERVICE_CONTROL_SHUTDOWN:
        Journal("stop requested");
        Report(SERVICE_STOP_PENDING, NO_ERROR, 1000);
        SetEvent(g_stop);
        return NO_ERROR;
    case SERVICE_CONTROL_INTERROGATE:
        return NO_ERROR;
    default:
        return ERROR_CALL_NOT_IMPLEMENTED;
    }
}

void WINAPI ServiceMain(DWORD, LPSTR*)
{
    g_status = RegisterServiceCtrlHandlerExA(ZOKSVC_SERVICE_NAME, Control, nullptr);
    if (!g_status)
        return;
    g_stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    Journal("start");
    unsigned pending = Scenario("PendingMs");
    Report(SERVICE_START_PENDING, NO_ERROR, pending + 1000);
    for (unsigned waited = 0; waited < pending; waited += 100) {
        if (WaitForSingleObject(g_stop, 100) == WAIT_OBJECT_0)
            break;
        Report(SERVICE_START_PENDING, NO_ERROR, pending + 1000);
    }
    if (unsigned failure = Scenario("FailExit")) {
        Journal("failed " + std::to_string(failure));
        Report(SERVICE_STOPPED, failure);
        return;
    }
    Report(SERVICE_RUNNING);
    Journal("running");
    WaitForSingleObject(g_stop, INFINITE);
    Journal("stopped");
    Report(SERVICE_STOPPED);
}

} // namespace

int main()
{
    char name[] = ZOKSVC_SERVICE_NAME;
    SERVICE_TABLE_ENTRYA table[] = {{name, ServiceMain}, {nullptr, nullptr}};
    if (!StartServiceCtrlDispatcherA(table)) {
        std::printf("%s: the engine's service (development stand-in); it runs under the service manager only\n",
                    ZOKSVC_EXECUTABLE);
        return 1;
    }
    return 0;
}
