#include "CommLibs.h"

#include "CAutoCom.h"
#include "Globals.h"
#include "TextHelpers.h"
#include "KVLog.h"
#include "ScopeLogger.h"

#include <string>

namespace {

const char* const kCommLibs[] = {"libvorn.dll", "zocomm.dll"};

std::wstring LibraryPath(const char* name)
{
    return ToWide(g_config.programFolder + "\\" + name);
}

} // namespace

HRESULT TryCreateCommObject()
{
    CAutoCom probe;
    HRESULT result = probe.Create(nullptr);
    probe.Release();
    return result;
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
        all = RegisterLib(LibraryPath(name)) && all;
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
        UnRegisterLib(LibraryPath(name));
    }
}
