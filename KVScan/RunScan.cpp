// The scanner's own program entry: the shared block for the mail scanner, the window defaults, the
// progress window, the scan thread and the stop watcher.
#include "AdapterState.h"
#include "AuditState.h"
#include "Globals.h"
#include "KVLog.h"
#include "ScanSteps.h"
#include "ScanThread.h"
#include "ScanThreadHooks.h"
#include "ScopeLogger.h"
#include "SystemFacts.h"
#include "TextHelpers.h"

#include <process.h>
#include <windows.h>

namespace {

void ApplyWindowDefaults()
{
    if (g_config.windowIcon.empty()) {
        g_config.windowIcon = L"ico_tessaly.ico";
        KVSCAN_LOG("Icon empty --> setting default icon: %s", "ico_tessaly.ico");
    }
    if (g_config.backgroundImage.empty()) {
        g_config.backgroundImage = L"background.bmp";
        KVSCAN_LOG("Background empty --> setting default Background: %s", "background.bmp");
    }
    const ScanThreadCalls& calls = ScanCalls();
    if (g_config.windowTitle.empty() && calls.defaultWindowTitle) {
        g_config.windowTitle = calls.defaultWindowTitle();
        KVSCAN_LOG("Window Title empty --> setting default Window Title: %s", ToNarrow(g_config.windowTitle).c_str());
    }
    if (g_config.additionalText.empty() && calls.defaultAdditionalText) {
        g_config.additionalText = calls.defaultAdditionalText();
        KVSCAN_LOG("Additional Text empty --> setting default Additional Text :%s",
                   ToNarrow(g_config.additionalText).c_str());
    }
}

HANDLE StartThread(unsigned(__stdcall* entry)(void*), void* instance)
{
    return reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, entry, instance, 0, nullptr));
}

unsigned __stdcall ProgressWindowEntry(void* instance)
{
    ScanCalls().progressWindowThread(instance);
    return 0;
}

} // namespace

int RunScan(void* instance)
{
    KV_SCOPE(g_config.logModule.c_str(), "RunScan");
    const ScanThreadCalls& calls = ScanCalls();
    Audit().signatureFilePresent = true;
    Audit().newSuspiciousFiles = false;

    if (calls.createMailBlock && !calls.createMailBlock()) {
        DWORD systemError = GetLastError();
        KVSCAN_LOG("Can not create SharedMailScanData");
        SendScanErrorReport(5501, "Cannot create shared memory", systemError);
        return 5501;
    }

    ApplyWindowDefaults();
    if (g_config.osType == 10 || g_config.osType == 11) {
        KVSCAN_LOG("Windows Vista");
        int session = GetSessionId();
        KVSCAN_LOG("   Session Id: %d", session);
        if (session == 0) {
            KVSCAN_LOG("    No interface");
            g_config.showProgress = false;
        }
    }

    HANDLE window = calls.progressWindowThread ? StartThread(ProgressWindowEntry, instance) : nullptr;
    HANDLE scan = StartThread(ScanThread, instance);
    HANDLE watcher = StartThread(StopWatcher, instance);
    if (scan) {
        WaitForSingleObject(scan, INFINITE);
        CloseHandle(scan);
    } else {
        KVSCAN_LOG("Error %lu starting ScanThread", GetLastError());
    }
    KVSCAN_LOG("ScanThread finished");

    // The watcher reads the shared block: it ends before the block goes.
    StopStopWatcher(watcher);
    if (window)
        CloseHandle(window);

    if (calls.releaseMailBlock) {
        try {
            calls.releaseMailBlock();
        } catch (...) {
            KVSCAN_LOG("Exception %d [%s] caught deleting shared memory.", 0, "unknown");
            return 1;
        }
    }
    return g_config.restartNeeded ? 6 : 0;
}
