#include "ExitProgram.h"

#include "CommLibs.h"
#include "Globals.h"
#include "Hooks.h"
#include "InstanceGuard.h"
#include "KVLog.h"
#include "MachineIds.h"
#include "OsType.h"
#include "ScopeLogger.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

volatile LONG g_exitEntered = 0;

const unsigned long kProgressStopWaitMs = 20000;

std::string LaunchResultPath()
{
    return g_config.programFolder + "\\launch_res.dat";
}

void DeleteRegistryValue(const char* key, const char* value)
{
    HKEY handle;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_SET_VALUE, &handle) != ERROR_SUCCESS)
        return;
    RegDeleteValueA(handle, value);
    RegCloseKey(handle);
}

// Delete at the next restart: delayed delete on the NT family, "wininit.ini" on the 9x family.
void DeleteAtRestart(const std::string& path)
{
    if (g_config.isNtFamily || g_config.osType == OS_TYPE_UNKNOWN) {
        MoveFileExA(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
        return;
    }
    char shortPath[MAX_PATH] = {};
    if (GetShortPathNameA(path.c_str(), shortPath, MAX_PATH))
        WritePrivateProfileStringA("rename", "NUL", shortPath, "wininit.ini");
}

// The final progress record and the registry values of the running audit.
int FinishAudit(int status)
{
    if (!g_config.reportsFolder.empty() || !g_config.reportsFtp.empty()) {
        if (!WriteFinalProgressRecord(ProgressStatusFor(status))) {
            KVSCAN_LOG("Unknown error creating the progress file");
            if (status == EXIT_AUDIT_FINISHED)
                status = EXIT_GENERAL_FAILURE;
        }
    }
    DeleteRegistryValue("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", "KVScanner");
    DeleteRegistryValue("SOFTWARE\\Orvane Software\\Tessaly", "Tries");
    return status;
}

} // namespace

bool WriteLaunchResult(int status)
{
    int code;
    if (!LaunchResultCode(status, code) || g_config.programFolder.empty())
        return false;
    FILE* file = fopen(LaunchResultPath().c_str(), "wb");
    if (!file)
        return false;
    const uint32_t value = static_cast<uint32_t>(code);
    const unsigned char bytes[4] = {static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
                                    static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
    bool written = fwrite(bytes, 1, sizeof(bytes), file) == sizeof(bytes);
    return fclose(file) == 0 && written;
}

int UninstallService(const char* name)
{
    if (!name || !*name)
        return 1;
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (!manager)
        return 2;
    int result = 0;
    SC_HANDLE service = OpenServiceA(manager, name, SERVICE_ALL_ACCESS);
    if (service) {
        SERVICE_STATUS status = {};
        if (ControlService(service, SERVICE_CONTROL_STOP, &status)) {
            while (QueryServiceStatus(service, &status) && status.dwCurrentState == SERVICE_STOP_PENDING)
                Sleep(100);
            KVSCAN_LOG("Service Stopped");
        }
        if (!DeleteService(service))
            result = 3;
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
    return result;
}

void ExitProgram(int status, bool returnOnly)
{
    if (InterlockedCompareExchange(&g_exitEntered, 1, 0) != 0) {
        // Another thread is ending the process already.
        for (;;)
            Sleep(INFINITE);
    }
    // Whatever belongs to a running audit (progress record, registry values, identifiers, folder,
    // engine service) is ours only once this process holds the instance mutex.
    const bool ownsAudit = g_instanceMutex != nullptr;
    StopProgressThread(kProgressStopWaitMs);
    if (ownsAudit)
        status = FinishAudit(status);
    KVSCAN_LOG("Checking if communication libs must be unregistered");
    UnregisterCommLibs();
    if (ownsAudit)
        RemoveInstanceId();
    KVSCAN_LOG("Exiting with return value %d", status);
    if (ownsAudit && !g_config.noClean)
        CleanProgramFolder();
    if (WriteLaunchResult(status)) {
        if (status != 0 && g_config.showProgress && g_config.messagesAllowed)
            ShowClosingError(status);
        if (!g_config.noClean)
            DeleteAtRestart(LaunchResultPath());
    }
    ReleaseInstanceMutex();
    if (ownsAudit && (g_config.osType == OS_VISTA || g_config.osType == OS_WIN7)) {
        KVSCAN_LOG("Uninstalling zoksvc");
        UninstallService("ZokSvcMorvik");
        KVSCAN_LOG("zoksvc uninstalled");
    }
    // The translation object stays: threads still running (and the caller, with returnOnly) may use it.
    if (!returnOnly)
        exit(status);
}
