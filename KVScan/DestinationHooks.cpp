// The folder and FTP destinations as the work thread and the exit routine see them: preparing the
// destination, the progress record at start, the progress thread and the final record.
#include "Hooks.h"
#include "WorkThreadHooks.h"

#include "AuditState.h"
#include "FolderDelivery.h"
#include "FtpTransport.h"
#include "Globals.h"
#include "KVLog.h"
#include "RunProgress.h"
#include "ScopeLogger.h"
#include "TessalyConfig.h"
#include "TextHelpers.h"

#include <vector>

namespace {

const DWORD kProgressIntervalMs = 5000;

// The destination's sub-folders, one per work folder (an empty name is not created).
std::vector<std::wstring> BareNames(const TessalyConfig& config)
{
    return {config.bareReportFolder, config.bareQuarantineFolder, config.bareSuspiciousFolder,
            config.bareStatisticFolder, config.bareFilteredElementsFolder};
}

} // namespace

bool PrepareDestination(TessalyConfig& config, DeliveryMode mode, bool resendRun)
{
    KV_SCOPE(config.logModule.c_str(), "PrepareDestination()");
    if (mode == DELIVERY_FOLDER) {
        FolderDestination destination;
        destination.base = config.reportsFolder;
        destination.instanceId = ToWide(config.instanceId);
        return CreateFolderDestination(destination, BareNames(config), resendRun) == 0;
    }
    if (mode == DELIVERY_FTP) {
        FtpDestination destination;
        if (FtpDestinationFrom(config, destination) != 0) {
            KVSCAN_LOG("Not an FTP address: [%s]", ToNarrow(config.reportsFtp).c_str());
            return false;
        }
        return PrepareFtpDestination(destination, BareNames(config)) == 0;
    }
    return true;
}

bool WriteProgressRecord(TessalyConfig& config, int progressStatus, int percentage)
{
    return WriteRunProgress(config, progressStatus, percentage);
}

void StartProgressThread(TessalyConfig& config)
{
    StartRunProgressThread(config, &Audit().runPercentage, kProgressIntervalMs);
}

void StopProgressThread(unsigned long timeoutMs)
{
    if (!StopRunProgressThread(timeoutMs))
        KVSCAN_LOG("The progress thread did not end within %lu ms", timeoutMs);
}

bool WriteFinalProgressRecord(int progressStatus)
{
    return WriteFinalRunProgress(g_config, progressStatus, Audit().runPercentage);
}
