#include "SystemFacts.h"

#include "KVLog.h"
#include "OsType.h"
#include "ScopeLogger.h"
#include "TextHelpers.h"

#include <windows.h>

#include <cstring>

int ApplyOsFacts(TessalyConfig& config, int type, const std::string& servicePack, int sessionId)
{
    const char* module = config.logModule.c_str();
    config.osType = type;
    config.servicePack = servicePack;
    config.isNtFamily = IsNtFamilyType(type);
    if ((type == OS_NT4 || type == OS_NT4_SERVER) && lstrcmpiA(servicePack.c_str(), "Service Pack 6") != 0)
        return SYSTEM_DATA_NT4_WITHOUT_SP6;
    if (type == OS_VISTA || type == OS_WIN7) {
        KV_GenerateLog(module, KV_SOURCE_FILE, __LINE__, "Windows Vista");
        KV_GenerateLog(module, KV_SOURCE_FILE, __LINE__, "   Session Id: %d", sessionId);
        if (sessionId == 0) {
            KV_GenerateLog(module, KV_SOURCE_FILE, __LINE__, "    No messages");
            config.messagesAllowed = false;
        }
    }
    return SYSTEM_DATA_OK;
}

bool ExecutableFolder(std::string& folder)
{
    char path[4096] = {};
    DWORD length = GetModuleFileNameA(nullptr, path, 4093);
    char* slash = length > 0 && length < 4093 ? strrchr(path, '\\') : nullptr;
    if (!slash)
        return false;
    *slash = 0;
    folder = path;
    return true;
}

int CollectSystemData(TessalyConfig& config)
{
    if (!ExecutableFolder(config.programFolder))
        return SYSTEM_DATA_FAILED;
    int type;
    std::string servicePack;
    if (!DetectOsType(type, servicePack))
        return SYSTEM_DATA_FAILED;
    bool vistaOrLater = type == OS_VISTA || type == OS_WIN7;
    return ApplyOsFacts(config, type, servicePack, vistaOrLater ? GetSessionId() : -1);
}

int GetComputerData(TessalyConfig& config)
{
    KV_SCOPE(config.logModule.c_str(), "TessalyConfig::GetComputerData()");
    char name[4096] = {};
    DWORD size = 4093;
    if (!GetComputerNameA(name, &size))
        name[0] = 0;
    config.computerNameA = name;
    config.computerName = ToWide(std::string(name));
    return 0;
}

int GetSessionId()
{
    HANDLE token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return -1;
    DWORD session = 0;
    DWORD size = 0;
    BOOL ok = GetTokenInformation(token, TokenSessionId, &session, sizeof(session), &size);
    CloseHandle(token);
    return ok ? static_cast<int>(session) : -1;
}

bool IsAdministrator()
{
    HANDLE token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    DWORD size = 0;
    GetTokenInformation(token, TokenGroups, nullptr, 0, &size);
    std::string buffer(size ? size : 1, '\0');
    bool found = false;
    PSID admins = nullptr;
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    if (size && GetTokenInformation(token, TokenGroups, &buffer[0], size, &size) &&
        AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                 &admins)) {
        const TOKEN_GROUPS* groups = reinterpret_cast<const TOKEN_GROUPS*>(buffer.data());
        for (DWORD i = 0; i < groups->GroupCount && !found; ++i)
            found = EqualSid(groups->Groups[i].Sid, admins) != FALSE;
        FreeSid(admins);
    }
    CloseHandle(token);
    return found;
}
