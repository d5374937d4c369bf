#include "InstanceGuard.h"

#include "Globals.h"

#include <windows.h>

#include <string>

const char kInstanceMutexName[] = "OrvaneKvScanOnlyOneInstance";

namespace {

const DWORD kMutexAccess = 0x101FFFFF;
const DWORD kAllowedRids[] = {SECURITY_AUTHENTICATED_USER_RID, SECURITY_SERVICE_RID, SECURITY_LOCAL_SYSTEM_RID};

// Built once for the mutex and kept for the life of the process.
struct InstanceSecurity {
    SECURITY_ATTRIBUTES attributes;
    SECURITY_DESCRIPTOR descriptor;
    PSID sids[3];
    BYTE acl[256];
};
InstanceSecurity* g_instanceSecurity = nullptr;

bool BuildInstanceSecurity()
{
    if (g_instanceSecurity)
        return true;
    InstanceSecurity* security = new InstanceSecurity();
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PACL acl = reinterpret_cast<PACL>(security->acl);
    if (!InitializeAcl(acl, sizeof(security->acl), ACL_REVISION))
        return false;
    for (int i = 0; i < 3; ++i) {
        if (!AllocateAndInitializeSid(&nt, 1, kAllowedRids[i], 0, 0, 0, 0, 0, 0, 0, &security->sids[i]))
            return false;
        if (!AddAccessAllowedAce(acl, ACL_REVISION, kMutexAccess, security->sids[i]))
            return false;
    }
    if (!InitializeSecurityDescriptor(&security->descriptor, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorDacl(&security->descriptor, TRUE, acl, FALSE))
        return false;
    security->attributes.nLength = sizeof(security->attributes);
    security->attributes.lpSecurityDescriptor = &security->descriptor;
    security->attributes.bInheritHandle = FALSE;
    g_instanceSecurity = security;
    return true;
}

} // namespace

int CheckOnlyOneInstance()
{
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof(version);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    GetVersionExA(&version);
#pragma GCC diagnostic pop
    bool nt = version.dwPlatformId == VER_PLATFORM_WIN32_NT;
    if (nt && !BuildInstanceSecurity())
        return 1;
    std::string name = kInstanceMutexName;
    if (nt && version.dwMajorVersion > 4)
        name = "Global\\" + name;
    HANDLE mutex = CreateMutexA(nt ? &g_instanceSecurity->attributes : nullptr, TRUE, name.c_str());
    if (!mutex)
        return 1;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return 1;
    }
    g_instanceMutex = mutex;
    return 0;
}

void ReleaseInstanceMutex()
{
    if (!g_instanceMutex)
        return;
    ReleaseMutex(g_instanceMutex);
    CloseHandle(g_instanceMutex);
    g_instanceMutex = nullptr;
}
