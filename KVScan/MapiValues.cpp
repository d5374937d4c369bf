// The two mail programs registered as MAPI clients for the time of the analysis.
#include "Globals.h"
#include "KVLog.h"
#include "ScopeLogger.h"
#include "ScanSteps.h"

#include <windows.h>

namespace {

const char* const kMapiAppsKey = "SOFTWARE\\Microsoft\\Windows Messaging Subsystem\\MSMapiApps";
const char* const kPrograms[] = {"KVMailScan.exe", "KVMScan.exe"};
const char kClient[] = "Microsoft Outlook";

HKEY Root(void* root)
{
    return root ? static_cast<HKEY>(root) : HKEY_LOCAL_MACHINE;
}

} // namespace

int SetMapiClientValues(void* root)
{
    HKEY key = nullptr;
    LONG error = RegCreateKeyExA(Root(root), kMapiAppsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
    if (error != ERROR_SUCCESS) {
        KVSCAN_LOG("Error %ld opening MSMapiApps", error);
        return static_cast<int>(error);
    }
    for (const char* program : kPrograms) {
        LONG set = RegSetValueExA(key, program, 0, REG_SZ, reinterpret_cast<const BYTE*>(kClient), sizeof kClient);
        if (set != ERROR_SUCCESS) {
            KVSCAN_LOG("Error %ld setting MAPI value %s", set, program);
            error = set;
        }
    }
    RegCloseKey(key);
    return static_cast<int>(error);
}

void RemoveMapiClientValues(void* root)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(Root(root), kMapiAppsKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return;
    for (const char* program : kPrograms)
        RegDeleteValueA(key, program);
    RegCloseKey(key);
}
