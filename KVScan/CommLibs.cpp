#include "CommLibs.h"

#include "Globals.h"
#include "KVLog.h"
#include "ScopeLogger.h"

#include <string>

namespace {

const char* const kCommLibs[] = {"libvorn.dll", "zocomm.dll"};

typedef HRESULT(__stdcall* ServerCall_t)();

// Loads a library of the program folder and calls one of its registration exports; false when the
// library could not be loaded or has no such export.
bool CallServerExport(const char* name, const char* exportName)
{
    std::string path = g_config.programFolder + "\\" + name;
    HMODULE library = LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!library) {
        KVSCAN_LOG("%s could not be loaded.", path.c_str());
        return false;
    }
    ServerCall_t call = reinterpret_cast<ServerCall_t>(reinterpret_cast<void*>(GetProcAddress(library, exportName)));
    if (call)
        call();
    FreeLibrary(library);
    return call != nullptr;
}

} // namespace

HRESULT TryCreateCommObject()
{
    return S_OK;
}

void RegisterCommLibs()
{
    if (g_commLibsRegistered) {
        KVSCAN_LOG("   Needed communication libs already registered");
        return;
    }
    HRESULT created = TryCreateCommObject();
    if (created != static_cast<HRESULT>(0x80040154) && created != static_cast<HRESULT>(0x80040155) &&
        created != static_cast<HRESULT>(0x8007007E))
        return;
    KVSCAN_LOG("   Needed communication libs not registered");
    bool all = true;
    for (const char* name : kCommLibs) {
        KVSCAN_LOG("      Registering lib %s...", name);
        all = CallServerExport(name, "DllRegisterServer") && all;
    }
    g_commLibsRegistered = all;
}

void UnregisterCommLibs()
{
    if (!g_commLibsRegistered) {
        KVSCAN_LOG("   Needed communication libs must NOT be unregistered");
        return;
    }
    for (const char* name : kCommLibs) {
        KVSCAN_LOG("      Unregistering lib %s...", name);
        CallServerExport(name, "DllUnregisterServer");
    }
}
