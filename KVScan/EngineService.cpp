#include "EngineService.h"

#include "Globals.h"
#include "KVLog.h"
#include "ScopeLogger.h"

#include <windows.h>

unsigned long g_serviceStartPendingLimitMs = 30000;

namespace {

const DWORD kPollMs = 100;

// The created service, or the existing one with its configuration set to what this program ships.
SC_HANDLE CreateOrFix(SC_HANDLE manager, const char* name, const char* displayName, const char* path, DWORD type,
                      DWORD startType)
{
    const char* group = type == SERVICE_FILE_SYSTEM_DRIVER ? "File System" : nullptr;
    SC_HANDLE service = CreateServiceA(manager, name, displayName, SERVICE_ALL_ACCESS, type, startType,
                                       SERVICE_ERROR_NORMAL, path, group, nullptr, nullptr, nullptr, nullptr);
    if (service)
        return service;
    DWORD error = GetLastError();
    if (error != ERROR_SERVICE_EXISTS) {
        KVSCAN_LOG("Error %lu creating service %s", error, name);
        return nullptr;
    }
    // Left by an interrupted run, perhaps from another folder: point it at this program's executable.
    service = OpenServiceA(manager, name, SERVICE_ALL_ACCESS);
    if (!service) {
        KVSCAN_LOG("Error opening Service");
        return nullptr;
    }
    if (!ChangeServiceConfigA(service, type, startType, SERVICE_ERROR_NORMAL, path, group, nullptr, nullptr,
                              nullptr, nullptr, displayName))
        KVSCAN_LOG("Error %lu changing the configuration of service %s", GetLastError(), name);
    else
        KVSCAN_LOG("Existing service %s set to %s", name, path);
    return service;
}

int StartAndWait(SC_HANDLE service)
{
    KVSCAN_LOG("Before StartService");
    if (!StartServiceA(service, 0, nullptr)) {
        DWORD error = GetLastError();
        if (error != ERROR_SERVICE_ALREADY_RUNNING) {
            KVSCAN_LOG("Error %lu starting service", error);
            return SERVICE_NOT_STARTED;
        }
    }
    SERVICE_STATUS status = {};
    DWORD waited = 0;
    while (QueryServiceStatus(service, &status) && status.dwCurrentState == SERVICE_START_PENDING) {
        if (waited >= g_serviceStartPendingLimitMs) {
            KVSCAN_LOG("Service still start pending after %lu ms", waited);
            return SERVICE_NOT_STARTED;
        }
        KVSCAN_LOG("Service start pending");
        Sleep(kPollMs);
        waited += kPollMs;
    }
    if (status.dwCurrentState != SERVICE_RUNNING) {
        KVSCAN_LOG("Service not running (state %lu)", status.dwCurrentState);
        return SERVICE_NOT_STARTED;
    }
    KVSCAN_LOG("Service Started");
    return SERVICE_STARTED;
}

} // namespace

int InstallAndStartService(const char* name, const char* displayName, const char* path, unsigned long type,
                           unsigned long startType)
{
    KV_SCOPE(g_config.logModule.c_str(), "InstallAndStartService");
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (!manager) {
        KVSCAN_LOG("Error opening Service Control Manager");
        return SERVICE_NO_MANAGER;
    }
    SC_HANDLE service = CreateOrFix(manager, name, displayName, path, type, startType);
    if (!service) {
        CloseServiceHandle(manager);
        return SERVICE_NOT_CREATED;
    }
    int result = StartAndWait(service);
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
    return result;
}
