// The connection test of URL mode, before the audit starts.
#include "WorkThreadHooks.h"

#include "Globals.h"
#include "KVLog.h"
#include "ScopeLogger.h"
#include "TessalyConfig.h"

bool TestConnection(TessalyConfig&, void*)
{
    KVSCAN_LOG("Connection test not available in this build: the server counts as unreachable");
    return false;
}
