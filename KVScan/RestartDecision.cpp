#include "RestartDecision.h"

#include "Globals.h"
#include "InterruptionGuard.h"
#include "KVLog.h"
#include "ScopeLogger.h"
#include "TestSeams.h"
#include "TessalyConfig.h"

#include <windows.h>

namespace {

const UINT kRestartQuestion = 104;

void Reboot(TessalyConfig& config)
{
    config.allowSystemShutdown = true;
    if (g_system.requestReboot(EWX_REBOOT)) {
        OutputDebugStringA("KvScan reboot in progress");
        KVSCAN_LOG("KvScan reboot in progress");
    } else {
        KVSCAN_LOG("Could not reboot. Error:%i", static_cast<int>(GetLastError()));
    }
}

std::wstring RestartQuestion()
{
    wchar_t text[512] = {};
    if (LoadStringW(g_instance, kRestartQuestion, text, 512) > 0)
        return text;
    return L"Restart needed to clean viruses.\nRestart now?";
}

} // namespace

RestartAction DecideRestart(bool restartNeeded, int policy, bool messagesAllowed)
{
    if (!restartNeeded)
        return RESTART_ACTION_NONE;
    switch (policy) {
    case RESTART_RESTART:
        return RESTART_ACTION_REBOOT;
    case RESTART_NOTIFY:
        return messagesAllowed ? RESTART_ACTION_ASK : RESTART_ACTION_IGNORE;
    default:
        return RESTART_ACTION_IGNORE;
    }
}

bool ArrangeCleanAfterRestart(TessalyConfig& config, bool restartNeeded, const GuardKeys& keys)
{
    if (!restartNeeded || config.noClean)
        return false;
    KVSCAN_LOG("Reboot needed for disinfection. Modifying registry to clean files after reboot...");
    config.noClean = true;
    std::string command = config.programFolder + "\\KVClean.exe";
    HKEY key = nullptr;
    if (RegCreateKeyExA(keys.root, keys.runKey.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) ==
        ERROR_SUCCESS) {
        RegSetValueExA(key, "KVClean", 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                       static_cast<DWORD>(command.size() + 1));
        RegCloseKey(key);
    }
    return true;
}

void CarryOutRestart(TessalyConfig& config, RestartAction action)
{
    KV_SCOPE(config.logModule.c_str(), "CarryOutRestart()");
    switch (action) {
    case RESTART_ACTION_NONE:
        return;
    case RESTART_ACTION_IGNORE:
        if (config.onRestartNeeded == RESTART_NOTIFY)
            KVSCAN_LOG("Can't ask the user for restarting. System won't be restarted.");
        OutputDebugStringA("KvScan ignoring the need to reboot");
        KVSCAN_LOG("KvScan ignoring the need to reboot");
        return;
    case RESTART_ACTION_REBOOT:
        OutputDebugStringA("Tessaly rebooting the system");
        KVSCAN_LOG("Tessaly rebooting the system");
        Reboot(config);
        return;
    case RESTART_ACTION_ASK: {
        int answer = MessageBoxW(nullptr, RestartQuestion().c_str(), L"Halvex",
                                 MB_YESNO | MB_ICONQUESTION | MB_SYSTEMMODAL);
        if (answer == IDYES) {
            OutputDebugStringA("KvScan rebooting the system");
            KVSCAN_LOG("KvScan rebooting the system");
            Reboot(config);
        } else {
            OutputDebugStringA("KvScan NOT rebooting the system");
            KVSCAN_LOG("KvScan NOT rebooting the system");
        }
        return;
    }
    }
}
