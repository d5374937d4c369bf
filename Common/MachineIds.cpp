#include "MachineIds.h"

#include "KVEReport.h"
#include "KVLog.h"
#include "ScopeLogger.h"

#include <rpc.h>

const char kUidsSetupKey[] = "Software\\Orvane Software\\Setup\\UIDS";
const char kUidsSetupExKey[] = "Software\\Orvane Software\\SetupEx\\UIDS";
const char kTessalyKey[] = "SOFTWARE\\Orvane Software\\Tessaly";

namespace {

const char kMuid[] = "MUID";
const char kLastAuid[] = "LASTAUID";

typedef int(__stdcall* SetExempted_t)(int, int);

// The resident shield would block our registry writes unless told to exempt this process.
class ShieldExemption {
public:
    ShieldExemption()
    {
        std::string folder;
        if (!ReadInstallDir("SOFTWARE\\Orvane Security\\QelShld", folder) &&
            !ReadInstallDir("SOFTWARE\\Orvane Software\\QelShld", folder))
            return;
        std::string path = folder + "\\Qelshld.dll";
        library_ = LoadLibraryA(path.c_str());
        if (!library_)
            return;
        setExempted_ = reinterpret_cast<SetExempted_t>(reinterpret_cast<void*>(GetProcAddress(library_, "QELSHLD_SetExempted")));
        if (setExempted_)
            setExempted_(0, 1);
    }
    ~ShieldExemption()
    {
        if (setExempted_)
            setExempted_(0, 0);
        if (library_)
            FreeLibrary(library_);
    }
    ShieldExemption(const ShieldExemption&) = delete;
    ShieldExemption& operator=(const ShieldExemption&) = delete;

private:
    static bool ReadInstallDir(const char* key, std::string& folder)
    {
        HKEY handle;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_QUERY_VALUE, &handle) != ERROR_SUCCESS)
            return false;
        char data[81] = {};
        DWORD size = 80;
        LONG rc = RegQueryValueExA(handle, "InstallDir", nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size);
        RegCloseKey(handle);
        if (rc != ERROR_SUCCESS || data[0] == 0)
            return false;
        folder = data;
        return true;
    }

    HMODULE library_ = nullptr;
    SetExempted_t setExempted_ = nullptr;
};

void DeleteValue(HKEY root, const char* key, const char* value)
{
    HKEY handle;
    if (RegOpenKeyExA(root, key, 0, KEY_SET_VALUE, &handle) != ERROR_SUCCESS)
        return;
    RegDeleteValueA(handle, value);
    RegCloseKey(handle);
}

} // namespace

bool ReadGuidValue(HKEY root, const char* key, const char* value, std::string& text)
{
    HKEY handle;
    if (RegOpenKeyExA(root, key, 0, KEY_QUERY_VALUE, &handle) != ERROR_SUCCESS)
        return false;
    char data[37] = {};
    DWORD size = sizeof(data);
    DWORD kind = 0;
    LONG rc = RegQueryValueExA(handle, value, nullptr, &kind, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(handle);
    // A value longer than the buffer (ERROR_MORE_DATA) or of another kind is not a GUID of ours.
    if (rc != ERROR_SUCCESS || kind != REG_SZ)
        return false;
    data[36] = 0;
    text = data;
    return !text.empty();
}

bool WriteGuidValue(HKEY root, const char* key, const char* value, const std::string& text)
{
    HKEY handle;
    if (RegCreateKeyExA(root, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &handle, nullptr) != ERROR_SUCCESS)
        return false;
    LONG rc = RegSetValueExA(handle, value, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                             static_cast<DWORD>(text.size()));
    RegCloseKey(handle);
    return rc == ERROR_SUCCESS;
}

bool NewGuidText(std::string& text)
{
    UUID uuid;
    RPC_STATUS rc = UuidCreate(&uuid);
    if (rc != RPC_S_OK && rc != RPC_S_UUID_LOCAL_ONLY)
        return false;
    RPC_CSTR str = nullptr;
    if (UuidToStringA(&uuid, &str) != RPC_S_OK)
        return false;
    text = reinterpret_cast<char*>(str);
    RpcStringFreeA(&str);
    return true;
}

int ReadOrCreateMuid(TessalyConfig& config, std::string& machineId, HKEY root)
{
    KV_SCOPE(config.logModule.c_str(), "ReadOrCreateMuid()");
    bool ok;
    std::string muid;
    {
        ShieldExemption exemption;
        ok = ReadGuidValue(root, kUidsSetupKey, kMuid, muid) || ReadGuidValue(root, kUidsSetupExKey, kMuid, muid);
        if (!ok)
            ok = NewGuidText(muid) && WriteGuidValue(root, kUidsSetupKey, kMuid, muid);
    }
    if (ok) {
        machineId = "{" + muid + "}";
        return 0;
    }
    KV_GenerateLog(config.logModule.c_str(), KV_SOURCE_FILE, __LINE__, "Cannot read or create MUID");
    KV_GenerateErrorReport(config.instanceId.c_str(), config.logModule.c_str(), 3000, "Cannot read or create MUID.",
                           0, "", 1, config.reportsPathA.c_str(), config.configWasEncrypted ? 1 : 0);
    return 15;
}

int CreateInstanceId(TessalyConfig& config, HKEY root)
{
    KV_SCOPE(config.logModule.c_str(), "CreateInstanceId()");
    std::string auid;
    // An existing value belongs to this run, interrupted and restarted: it keeps its identifier.
    if (!ReadGuidValue(root, kTessalyKey, kLastAuid, auid) && !NewGuidText(auid))
        return 1;
    if (!WriteGuidValue(root, kUidsSetupExKey, kLastAuid, auid) || !WriteGuidValue(root, kTessalyKey, kLastAuid, auid))
        return 1;
    config.instanceId = "{" + auid + "}";
    return 0;
}

void RemoveInstanceId(HKEY root)
{
    std::string setupEx, tessaly;
    bool haveSetupEx = ReadGuidValue(root, kUidsSetupExKey, kLastAuid, setupEx);
    bool haveTessaly = ReadGuidValue(root, kTessalyKey, kLastAuid, tessaly);
    if (haveTessaly)
        DeleteValue(root, kTessalyKey, kLastAuid);
    // The SetupEx value may name the run of another audit: it goes only when it is ours.
    if (haveSetupEx && (!haveTessaly || lstrcmpiA(setupEx.c_str(), tessaly.c_str()) == 0))
        DeleteValue(root, kUidsSetupExKey, kLastAuid);
}
