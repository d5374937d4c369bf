#include "Delivery.h"

#include "DeliveryDestination.h"
#include "DeliveryUrl.h"
#include "TessalyConfig.h"
#include "TextHelpers.h"

#include <windows.h>

const char kFinalReportName[] = "{00000000-0000-0000-0000-000000000000}.xml";

namespace {

const char* const kModeNames[] = {"folder", "FTP", "URL", "none"};
const char* const kKindNames[] = {"suspicious", "reports", "statistics", "filtered"};

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
    switch (DecideDeliveryMode(config)) {
    case DELIVERY_FOLDER:
        return FolderDeliveryFor(config);
    case DELIVERY_FTP:
        return FtpDeliveryFor(config);
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
