// The folder and FTP transports behind the delivery interface.
#include "DeliveryDestination.h"

#include "FolderDelivery.h"
#include "FtpTransport.h"
#include "KVLog.h"
#include "ScopeLogger.h"
#include "TessalyConfig.h"
#include "TextHelpers.h"
#include "WorkFolders.h"

#define DEST_LOG(...) KV_GenerateLog(config_.logModule.c_str(), KV_SOURCE_FILE, __LINE__, __VA_ARGS__)

namespace {

// What each kind is to the folder sender: its rules, its work folder, its destination sub-folder.
struct KindRoute {
    SendKind send;
    int folder;
    std::wstring TessalyConfig::*bareName;
};

const KindRoute kRoutes[KIND_COUNT] = {
    {SEND_SUSPICIOUS, FOLDER_SUSPICIOUS, &TessalyConfig::bareSuspiciousFolder},
    {SEND_REPORTS, FOLDER_REPORT, &TessalyConfig::bareReportFolder},
    {SEND_STATS, FOLDER_STATISTIC, &TessalyConfig::bareStatisticFolder},
    {SEND_FILTERED, FOLDER_FILTERED, &TessalyConfig::bareFilteredElementsFolder},
};

// Wraps the transport to count the files it delivered.
struct CountingSend {
    SendOneFile send;
    void* context;
    unsigned long sent;
};

int SendCounted(void* context, const std::wstring& localPath, const std::wstring& fileName,
                const std::wstring& bareName)
{
    CountingSend& counting = *static_cast<CountingSend*>(context);
    const int error = counting.send(counting.context, localPath, fileName, bareName);
    if (error == 0)
        ++counting.sent;
    return error;
}

} // namespace

bool DestinationDelivery::Deliver(DeliveryKind kind, const DeliveryOptions& options, DeliveryCounters& counters)
{
    KV_SCOPE(config_.logModule.c_str(), "DestinationDelivery::Deliver()");
    counters.sent = 0;
    counters.left = 0;
    const KindRoute& route = kRoutes[kind];
    SendRequest request;
    request.kind = route.send;
    request.localFolder = WorkFolder(config_, route.folder);
    request.bareName = config_.*route.bareName;
    const std::wstring heldName = kind == KIND_REPORTS && options.holdFinalReport ? ToWide(kFinalReportName)
                                                                                  : std::wstring();
    // No folder of this kind configured: nothing of it exists, and the program folder must never stand in.
    if (request.localFolder.empty() || request.bareName.empty())
        return true;

    const std::string held = ToNarrow(heldName);
    const char* excluded = held.empty() ? nullptr : held.c_str();
    if (!context_) {
        counters.left = CountWaitingFiles(request.localFolder, excluded);
        DEST_LOG("No %s destination: %s not delivered (%lu waiting)", DeliveryModeName(mode_),
                 DeliveryKindName(kind), counters.left);
        return false;
    }
    CountingSend counting = {send_, context_, 0};
    unsigned long failed = 0;
    const int result = SendWorkFolder(request, SendCounted, &counting, failed, heldName);
    counters.sent = counting.sent;
    // What failed is left for the next call. A file still in use by another program is neither sent nor
    // counted: a lock that never ends must not keep the end-of-run delivery going round for ever.
    counters.left = failed;
    DEST_LOG("%s by %s: result %d, sent %lu, failed %lu", DeliveryKindName(kind), DeliveryModeName(mode_), result,
             counters.sent, failed);
    return result == 0;
}

Delivery& FolderDeliveryFor(const TessalyConfig& config)
{
    static FolderDestination destination;
    static DestinationDelivery delivery(config, DELIVERY_FOLDER, CopyToFolderDestination, &destination);
    destination.base = config.reportsFolder;
    destination.instanceId = ToWide(config.instanceId);
    return delivery;
}

Delivery& FtpDeliveryFor(const TessalyConfig& config)
{
    static FtpDestination destination;
    static DestinationDelivery delivery(config, DELIVERY_FTP, UploadToFtpDestination, nullptr);
    delivery.SetContext(FtpDestinationFrom(config, destination) == 0 ? &destination : nullptr);
    return delivery;
}
