#include "WorkThreadSteps.h"

#include "ExitProgram.h"
#include "Globals.h"
#include "KVEReport.h"
#include "KVLog.h"
#include "ScopeLogger.h"
#include "SystemFacts.h"
#include "TestSeams.h"
#include "TextHelpers.h"
#include "WorkFolders.h"
#include "WorkThreadHooks.h"

#include <windows.h>

#include <cstdlib>

const GuardKeys& AuditGuardKeys()
{
    static const GuardKeys& keys = *new GuardKeys;
    return keys;
}

void EndAuditRun(int status)
{
    RemoveTriesAudit(AuditGuardKeys());
    ExitProgram(status);
    exit(status);
}

std::string CurrentRestartCommand(bool onlySend)
{
    std::string configFile = g_configFilePath;
    if (!configFile.empty()) {
        // The file the configuration was read from: a bare name lies in the program folder, any other
        // relative path was opened against the current folder. The next logon starts elsewhere, so the
        // command carries it in full.
        configFile = ToNarrow(g_config.ConfigFilePath(ToWide(configFile)));
        char full[MAX_PATH] = {};
        DWORD length = GetFullPathNameA(configFile.c_str(), MAX_PATH, full, nullptr);
        if (length > 0 && length < MAX_PATH)
            configFile = full;
    }
    return RestartCommand(g_config.programFolder, g_config.noClean, configFile, onlySend);
}

void CheckComputerAndAppRef()
{
    GetComputerData(g_config);
    if (g_config.computerName.empty())
        KVSCAN_LOG("Could not get the local computer name.");
    if (g_config.appRefVersion.empty()) {
        KVSCAN_LOG("AppRefVersion not found. Exiting");
        EndAuditRun(EXIT_GENERAL_FAILURE);
    }
}

void CheckConnectionAndDestination(void* instance, bool resendRun)
{
    const DeliveryMode mode = DecideDeliveryMode(g_config);
    KVSCAN_LOG("Delivery mode: %s", DeliveryModeName(mode));
    if (mode == DELIVERY_URL && !TestConnection(g_config, instance)) {
        KVSCAN_LOG("Can not access to the Internet");
        EndAuditRun(EXIT_NO_INTERNET);
    }
    static const char* const kEmpty[] = {"ReportFolder path is empty", "QuarantineFolder path is empty",
                                         "SuspiciousFolder path is empty"};
    const int required[] = {FOLDER_REPORT, FOLDER_QUARANTINE, FOLDER_SUSPICIOUS};
    for (int i = 0; i < 3; ++i) {
        if (WorkFolder(g_config, required[i]).empty()) {
            KVSCAN_LOG("%s", kEmpty[i]);
            EndAuditRun(EXIT_GENERAL_FAILURE);
        }
    }
    if (mode == DELIVERY_FOLDER && !PrepareDestination(g_config, mode, resendRun)) {
        KVSCAN_LOG("Unknown error creating the ReportFolder [%s]", ToNarrow(g_config.reportsFolder).c_str());
        EndAuditRun(EXIT_GENERAL_FAILURE);
    }
    if (mode == DELIVERY_FTP && !PrepareDestination(g_config, mode, resendRun)) {
        KVSCAN_LOG("Unknown error creating and/or cleaning the FTP ReportFolder");
        EndAuditRun(EXIT_GENERAL_FAILURE);
    }
}

void AllowWorkAccess()
{
    unsigned long error = AllowEveryoneWorkAccess(g_config);
    if (error != 0) {
        KVSCAN_LOG("Error allowing everyone access to Program Dir [%s]", g_config.programFolder.c_str());
        RaiseWorkError(3506, "Error allowing everyone access to Program Dir.", error);
    }
}

void RaiseWorkError(int code, const char* text, unsigned long detail)
{
    KV_GenerateErrorReport(g_config.instanceId.c_str(), g_config.logModule.c_str(), code, text,
                           static_cast<int>(detail), "", 1, g_config.reportsPathA.c_str(),
                           g_config.configWasEncrypted ? 1 : 0);
}

void HoldForStartupTest()
{
    if (!g_system.holdWorkThread)
        return;
    const std::string stopFile = g_config.programFolder + "\\stop.dat";
    while (GetFileAttributesA(stopFile.c_str()) == INVALID_FILE_ATTRIBUTES)
        Sleep(50);
    ExitProgram(EXIT_AUDIT_FINISHED, false);
}
