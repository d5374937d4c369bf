#include "ScanProcessThread.h"

#include "AuditState.h"
#include "Globals.h"
#include "InventoryHooks.h"
#include "KVLog.h"
#include "ProcessTable.h"
#include "ScopeLogger.h"

#include <process.h>

#include <cstdint>

ScanProcessCalls g_scanProcess = {RunScan, SystemInformationThread, ProtectionsCheckThread, 60000};

namespace {

struct ScanProcessArgs {
    void* context;
    DWORD timeoutMs;
};

HANDLE StartThread(unsigned(__stdcall* body)(void*), void* arg)
{
    return reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, body, arg, 0, nullptr));
}

} // namespace

HANDLE StartScanProcessThread(void* context, DWORD timeoutMs)
{
    ScanProcessArgs* args = new ScanProcessArgs{context, timeoutMs};
    HANDLE thread = StartThread(ScanProcessThread, args);
    if (!thread)
        delete args;
    return thread;
}

unsigned __stdcall ScanProcessThread(void* arg)
{
    ScanProcessArgs args = *static_cast<ScanProcessArgs*>(arg);
    delete static_cast<ScanProcessArgs*>(arg);
    KV_SCOPE(g_config.logModule.c_str(), "ScanProcessThread()");

    HANDLE systemInformation = nullptr;
    HANDLE protectionsCheck = nullptr;
    if (!g_config.disinfection) {
        systemInformation = StartThread(g_scanProcess.systemInformation, nullptr);
        if (!systemInformation)
            KVSCAN_LOG("Error creating the system information thread (%lu)", GetLastError());
        protectionsCheck = StartThread(g_scanProcess.protectionsCheck, nullptr);
        if (!protectionsCheck)
            KVSCAN_LOG("Error creating the protections check thread (%lu)", GetLastError());
    }

    int result = g_scanProcess.runScan(args.context);

    if (systemInformation) {
        if (WaitForSingleObject(systemInformation, args.timeoutMs) == WAIT_TIMEOUT)
            KVSCAN_LOG("Timeout waiting for the system information thread");
        CloseHandle(systemInformation);
    }
    if (protectionsCheck) {
        // A check still running after the time-out has no exit code to report.
        if (WaitForSingleObject(protectionsCheck, args.timeoutMs) == WAIT_TIMEOUT) {
            KVSCAN_LOG("Timeout waiting for the protections check thread");
        } else {
            DWORD code = 0;
            GetExitCodeThread(protectionsCheck, &code);
            if (code != 0) {
                ReportProgramError(3501, static_cast<int>(code), "KVPChecker Error");
                KVSCAN_LOG("Unknown exit code [%d] executing process KVScan [KVPChecker]", static_cast<int>(code));
            }
        }
        CloseHandle(protectionsCheck);
    }
    return static_cast<unsigned>(result);
}
