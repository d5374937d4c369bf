#include "Delivery.h"

#include "DeliveryUrl.h"
#include "KVLog.h"
#include "ScopeLogger.h"
#include "TessalyConfig.h"
#include "TextHelpers.h"
#include "WorkFolders.h"

#include <windows.h>

const char kFinalReportName[] = "{00000000-0000-0000-0000-000000000000}.xml";

namespace {

const char* const kModeNames[] = {"folder", "FTP", "URL", "none"};
const char* const kKindNames[] = {"suspicious", "reports", "statistics", "filtered"};

// The work folder that holds each kind.
const int kKindFolder[KIND_COUNT] = {FOLDER_SUSPICIOUS, FOLDER_REPORT, FOLDER_STATISTIC, FOLDER_FILTERED};

// "none": nothing leaves the machine; every kind is finished at once.
class NoDelivery : public Delivery {
public:
    DeliveryMode Mode() const override { return DELIVERY_NONE; }
    bool Deliver(DeliveryKind, const DeliveryOptions&, DeliveryCounters& counters) override
    {
        counters.sent = 0;
        counters.left = 0;
        return true;
    }
};

// A transport that this build does not carry yet: it says so in the log and never claims success, so
// that the files stay in the work folders for a later send.
class UnavailableDelivery : public Delivery {
public:
    UnavailableDelivery(const TessalyConfig& config, DeliveryMode mode) : config_(config), mode_(mode) {}
    DeliveryMode Mode() const override { return mode_; }
    bool Deliver(DeliveryKind kind, const DeliveryOptions& options, DeliveryCounters& counters) override
    {
        const std::wstring& folder = WorkFolder(config_, kKindFolder[kind]);
        counters.sent = 0;
        counters.left = folder.empty() ? 0 : CountWaitingFiles(folder);
        if (kind == KIND_REPORTS && options.holdFinalReport)
            counters.left = CountWaitingFiles(folder, kFinalReportName);
        KV_GenerateLog(config_.logModule.c_str(), KV_SOURCE_FILE, __LINE__,
                       "Delivery by %s is not available: %s not delivered (%lu waiting)", kModeNames[mode_],
                       kKindNames[kind], counters.left);
        return false;
    }

private:
    const TessalyConfig& config_;
    DeliveryMode mode_;
};

} // namespace

DeliveryMode DecideDeliveryMode(const TessalyConfig& config)
{
    if (!config.reportsFolder.empty())
        return DELIVERY_FOLDER;
    if (!config.reportsFtp.empty())
        return DELIVERY_FTP;
    if (!config.reportsUrl.empty())
        return DELIVERY_URL;
    return DELIVERY_NONE;
}

const char* DeliveryModeName(DeliveryMode mode)
{
    return kModeNames[mode];
}

const char* DeliveryKindName(DeliveryKind kind)
{
    return kKindNames[kind];
}

Delivery& ConfiguredDelivery(const TessalyConfig& config)
{
    static NoDelivery none;
    static UnavailableDelivery folder(config, DELIVERY_FOLDER);
    static UnavailableDelivery ftp(config, DELIVERY_FTP);
    switch (DecideDeliveryMode(config)) {
    case DELIVERY_FOLDER:
        return folder;
    case DELIVERY_FTP:
        return ftp;
    case DELIVERY_URL:
        return UrlDeliveryFor(config);
    default:
        return none;
    }
}

unsigned long CountWaitingFiles(const std::wstring& folder, const char* excluded)
{
    const std::wstring skip = excluded ? ToWide(excluded) : std::wstring();
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    unsigned long count = 0;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        if (!skip.empty() && lstrcmpiW(found.cFileName, skip.c_str()) == 0)
            continue;
        ++count;
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return count;
}
