// The inventory threads until the computer details and the installed protections documents are
// written here: they log that they ran and end with 0.
#include "InventoryHooks.h"

#include "Globals.h"
#include "KVLog.h"
#include "ScopeLogger.h"

unsigned __stdcall SystemInformationThread(void*)
{
    KV_SCOPE(g_config.logModule.c_str(), "SystemInformationThread()");
    return 0;
}

unsigned __stdcall ProtectionsCheckThread(void*)
{
    KV_SCOPE(g_config.logModule.c_str(), "ProtectionsCheckThread()");
    return 0;
}
