#include "KVLog.h"
#include "KVNTUtils.h"
#include "OsType.h"
#include "ScopeLogger.h"
#include "SystemFacts.h"
#include "TextHelpers.h"

#include <windows.h>

#include <vector>

namespace {

bool ProcessUser(std::string& name)
{
    char buffer[520] = {};
    DWORD size = 517;
    if (!GetUserNameA(buffer, &size))
        return false;
    name = buffer;
    return true;
}

} // namespace

bool GetLoggedUser(const TessalyConfig& config, std::wstring& name)
{
    const char* module = config.logModule.c_str();
    std::string user;
    if (!IsNtFamilyType(config.osType) || config.osType == OS_NT4 || config.osType == OS_NT4_SERVER) {
        if (!ProcessUser(user))
            return false;
        name = ToWide(user);
        return true;
    }
    HMODULE library = LoadLibraryA("KVNTUtils.DLL");
    if (!library)
        return false;
    GetLoggedUser_t getLoggedUser = reinterpret_cast<GetLoggedUser_t>(reinterpret_cast<void*>(GetProcAddress(library, "GetLoggedUser")));
    if (!getLoggedUser) {
        KV_GenerateLog(module, KV_SOURCE_FILE, __LINE__, "Cannot get GetLoggedUser pointer");
        FreeLibrary(library);
        return false;
    }
    std::vector<char> buffer(KVNTUTILS_USER_BUFFER + 1, 0);
    bool ok = getLoggedUser(buffer.data()) != 0;
    FreeLibrary(library);
    if (ok) {
        user = buffer.data();
    } else if (!ProcessUser(user)) {
        KV_GenerateLog(module, KV_SOURCE_FILE, __LINE__, "Cannot get LoggedUser Name");
        return false;
    }
    name = ToWide(user);
    return true;
}
