#include "WorkThreadHooks.h"

#include "Globals.h"
#include "KVLog.h"
#include "ScopeLogger.h"
#include "TessalyConfig.h"

void CleanPendingFileOperations(TessalyConfig&)
{
    KVSCAN_LOG("Pending file operations of an earlier restart: not handled in this build");
}

void StartStatistics(TessalyConfig&)
{
    KVSCAN_LOG("Statistics library not available in this build: no statistics are gathered");
}

void WriteStatisticsDocument(TessalyConfig&, bool& statisticsUrlKnown)
{
    statisticsUrlKnown = false;
    KVSCAN_LOG("Statistics library not available in this build: no statistics document written");
}

void ReadStatisticsConfiguration(TessalyConfig&, bool& statisticsUrlKnown)
{
    statisticsUrlKnown = false;
}

int InstallBootDriver(TessalyConfig&)
{
    KVSCAN_LOG("Boot-time driver not available in this build");
    return 1;
}

void RemoveBootDriver(TessalyConfig&) {}

void CloseProgressWindow() {}
