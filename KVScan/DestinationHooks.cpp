// The folder and FTP destinations as the work thread and the exit routine see them: preparing the
// destination, the progress record at start, the progress thread and the final record.
#include "Hooks.h"
#include "WorkThreadHooks.h"

#include "Globals.h"
#include "KVLog.h"
#include "ScopeLogger.h"
#include "TessalyConfig.h"

bool PrepareDestination(TessalyConfig&, DeliveryMode mode, bool)
{
    KVSCAN_LOG("Destination of %s delivery not available in this build", DeliveryModeName(mode));
    return false;
}

bool WriteProgressRecord(TessalyConfig&, int progressStatus, int)
{
    KVSCAN_LOG("Progress file not available in this build (status %d not written)", progressStatus);
    return false;
}

void StartProgressThread(TessalyConfig&) {}

void StopProgressThread(unsigned long) {}

bool WriteFinalProgressRecord(int)
{
    // Nothing was written: the exit routine must not take the record for written.
    return false;
}
