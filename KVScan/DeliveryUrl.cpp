#include "DeliveryUrl.h"

#include "KVLog.h"
#include "Md5.h"
#include "ScopeLogger.h"
#include "TessalyConfig.h"
#include "TextHelpers.h"
#include "WorkFolders.h"

#include <string.h>

#define URL_LOG(...) KV_GenerateLog(config_.logModule.c_str(), KV_SOURCE_FILE, __LINE__, __VA_ARGS__)

namespace {

void CopyProxy(KVCOMS_PROXY& proxy, const TessalyConfig& config)
{
    CopyRequestText(proxy.host, sizeof(proxy.host), ToNarrow(config.proxyServer));
    CopyRequestText(proxy.port, sizeof(proxy.port), ToNarrow(config.proxyPort));
    CopyRequestText(proxy.user, sizeof(proxy.user), ToNarrow(config.proxyUser));
    CopyRequestText(proxy.password, sizeof(proxy.password), ToNarrow(config.proxyPassword));
}

// A report or statistics request: every file that goes is deleted, counters start at 0.
void FillSendFiles(KVCOMS_SENDFILES& request, const std::string& folder, const std::string& url,
                   const std::string& agent, const TessalyConfig& config)
{
    memset(&request, 0, sizeof(request));
    CopyRequestText(request.folder, sizeof(request.folder), folder);
    CopyRequestText(request.url, sizeof(request.url), url);
    CopyRequestText(request.agent, sizeof(request.agent), agent);
    CopyProxy(request.proxy, config);
    request.deleteAfterSend = 1;
}

// The folder of a kind, for counting what still waits there.
int KindFolder(DeliveryKind kind)
{
    switch (kind) {
    case KIND_SUSPICIOUS:
        return FOLDER_SUSPICIOUS;
    case KIND_STATISTICS:
        return FOLDER_STATISTIC;
    case KIND_FILTERED:
        return FOLDER_FILTERED;
    default:
        return FOLDER_REPORT;
    }
}

} // namespace

void CopyRequestText(char* field, size_t size, const std::string& text, bool terminated)
{
    const size_t room = terminated ? size - 1 : size;
    const size_t length = text.size() < room ? text.size() : room;
    memset(field, 0, size);
    memcpy(field, text.data(), length);
}

unsigned long BindKvComsSendApi(const std::wstring& dllPath, KvComsSendApi& api)
{
    HMODULE module = LoadLibraryW(dllPath.c_str());
    if (!module)
        return GetLastError();
    KvComsSendApi bound;
    bound.module = module;
    bound.sendReports = reinterpret_cast<KVCOMS_SendFiles_t>(
        reinterpret_cast<void*>(GetProcAddress(module, "KVCOMS_SendReports")));
    bound.sendStatistics = reinterpret_cast<KVCOMS_SendFiles_t>(
        reinterpret_cast<void*>(GetProcAddress(module, "KVCOMS_SendStatistics")));
    bound.sendSuspiciousQem = reinterpret_cast<int(KVCOMS_API*)(KVCOMS_SUSPICIOUS_QEM*)>(
        reinterpret_cast<void*>(GetProcAddress(module, "KVCOMS_SendSuspiciousQEM")));
    bound.testConnection = reinterpret_cast<KVCOMS_TestConnection_t>(
        reinterpret_cast<void*>(GetProcAddress(module, "KVCOMS_TestConnection")));
    if (!bound.sendReports || !bound.sendStatistics || !bound.sendSuspiciousQem || !bound.testConnection) {
        FreeLibrary(module);
        return ERROR_PROC_NOT_FOUND;
    }
    api = bound;
    return 0;
}

const KvComsSendApi* KvComsApiFor(const TessalyConfig& config)
{
    static KvComsSendApi api;
    if (api.module)
        return &api;
    const std::wstring path = ToWide(config.programFolder + "\\KVComs.dll");
    const unsigned long error = BindKvComsSendApi(path, api);
    if (error != 0) {
        KV_GenerateLog(config.logModule.c_str(), KV_SOURCE_FILE, __LINE__,
                       "Could not bind the communications library [%s]. Error: %lu", ToNarrow(path).c_str(), error);
        return nullptr;
    }
    return &api;
}

bool UrlDelivery::Bind()
{
    if (!api_)
        api_ = KvComsApiFor(config_);
    return api_ != nullptr;
}

// The three request records, filled once and reused by every later call.
void UrlDelivery::FillRequests()
{
    if (filled_)
        return;
    const std::string agent = ToNarrow(config_.platformVersion);

    FillSendFiles(reports_, ToNarrow(WorkFolder(config_, FOLDER_REPORT)), ToNarrow(config_.reportsUrl), agent,
                  config_);
    FillSendFiles(statistics_, ToNarrow(WorkFolder(config_, FOLDER_STATISTIC)), statisticsUrl_, agent, config_);

    memset(&suspicious_, 0, sizeof(suspicious_));
    CopyRequestText(suspicious_.folder, sizeof(suspicious_.folder),
                    ToNarrow(WorkFolder(config_, FOLDER_SUSPICIOUS)));
    CopyRequestText(suspicious_.vlmUrl, sizeof(suspicious_.vlmUrl), ToNarrow(config_.vlmUrl));
    CopyRequestText(suspicious_.suspiciousUrl, sizeof(suspicious_.suspiciousUrl), ToNarrow(config_.suspiciousUrl));
    suspicious_.removeAfterSend = 1;
    CopyProxy(suspicious_.proxy, config_);
    // The identifiers fill their fields completely; the two texts keep a terminator.
    CopyRequestText(suspicious_.clientId, sizeof(suspicious_.clientId), ProgramFolderHash(), false);
    CopyRequestText(suspicious_.appRefVersion, sizeof(suspicious_.appRefVersion), ToNarrow(config_.appRefVersion),
                    false);
    CopyRequestText(suspicious_.clientVersion, sizeof(suspicious_.clientVersion), ToNarrow(config_.clientVersion));
    CopyRequestText(suspicious_.userName, sizeof(suspicious_.userName), ToNarrow(config_.user));
    filled_ = true;
}

bool UrlDelivery::Deliver(DeliveryKind kind, const DeliveryOptions& options, DeliveryCounters& counters)
{
    KV_SCOPE(config_.logModule.c_str(), "UrlDelivery::Deliver()");
    counters.sent = 0;
    counters.left = 0;
    if (kind == KIND_FILTERED)
        return true; // the audit server takes no filtered elements
    FillRequests();

    const std::wstring& folder = WorkFolder(config_, KindFolder(kind));
    const char* excluded = (kind == KIND_REPORTS && options.holdFinalReport) ? kFinalReportName : nullptr;
    if (kind == KIND_SUSPICIOUS && CountWaitingFiles(folder) == 0) {
        // Nothing waits: the kind is finished without a call (and the final report may follow).
        URL_LOG("No suspicious files waiting");
        return true;
    }
    bool delivered = false;
    if (!Bind()) {
        counters.left = CountWaitingFiles(folder, excluded);
    } else if (kind == KIND_SUSPICIOUS) {
        suspicious_.deleteFailed = options.deleteFailed ? 1 : 0;
        suspicious_.processedCount = suspicious_.failedCount = suspicious_.qesqFailedCount = 0;
        suspicious_.spare[0] = suspicious_.spare[1] = 0;
        suspicious_.lastError = 0;
        delivered = api_->sendSuspiciousQem(&suspicious_) != 0;
        counters.sent = suspicious_.processedCount;
        counters.left = suspicious_.failedCount;
        URL_LOG("Suspicious by URL: result %d, sent %u, failed %u, error %u", delivered ? 1 : 0,
                suspicious_.processedCount, suspicious_.failedCount, suspicious_.lastError);
    } else {
        KVCOMS_SENDFILES& request = kind == KIND_REPORTS ? reports_ : statistics_;
        KVCOMS_SendFiles_t send = kind == KIND_REPORTS ? api_->sendReports : api_->sendStatistics;
        if (kind == KIND_REPORTS)
            CopyRequestText(reports_.excludedName, sizeof(reports_.excludedName), excluded ? excluded : "");
        else
            CopyRequestText(statistics_.url, sizeof(statistics_.url), statisticsUrl_);
        request.sentCount = request.failedCount = request.lastError = 0;
        delivered = send(&request) != 0;
        counters.sent = request.sentCount;
        counters.left = request.failedCount;
        URL_LOG("%s by URL: result %d, sent %u, failed %u, error %u", DeliveryKindName(kind), delivered ? 1 : 0,
                request.sentCount, request.failedCount, request.lastError);
    }
    // A failed call that counted nothing as left (a library that refused the whole job) must not pass
    // for a finished kind: what still waits in the folder is left.
    if (!delivered && counters.left == 0)
        counters.left = CountWaitingFiles(folder, excluded);
    if (!delivered)
        URL_LOG("%s not delivered (%lu waiting)", DeliveryKindName(kind), counters.left);
    return delivered;
}

UrlDelivery& UrlDeliveryInstance(const TessalyConfig& config)
{
    static UrlDelivery url(config);
    return url;
}

Delivery& UrlDeliveryFor(const TessalyConfig& config)
{
    return UrlDeliveryInstance(config);
}
