// URL mode: reports, statistics and suspicious files leave through the exports of KVComs.dll, which is
// loaded from the program folder at the first send.
#pragma once

#include "Delivery.h"

#include "../KVComs/KVComs.h"

#include <string>

#include <windows.h>

class TessalyConfig;

// The KVComs exports the scanner calls (this transport and the connection test), bound by name from one
// loaded library.
struct KvComsSendApi {
    HMODULE module = nullptr;
    KVCOMS_SendFiles_t sendReports = nullptr;
    KVCOMS_SendFiles_t sendStatistics = nullptr;
    int(KVCOMS_API* sendSuspiciousQem)(KVCOMS_SUSPICIOUS_QEM*) = nullptr;
    KVCOMS_TestConnection_t testConnection = nullptr;
};

// Loads dllPath and binds the four exports. 0 on success, otherwise the system error (ERROR_PROC_NOT_FOUND
// when an export is missing; the library is then released again).
unsigned long BindKvComsSendApi(const std::wstring& dllPath, KvComsSendApi& api);

// The exports of the program folder's KVComs.dll, loaded once for the process: the URL transport and
// the connection test share them. Null (logged) while the library or one of its exports is missing.
const KvComsSendApi* KvComsApiFor(const TessalyConfig& config);

class UrlDelivery : public Delivery {
public:
    explicit UrlDelivery(const TessalyConfig& config) : config_(config) {}
    DeliveryMode Mode() const override { return DELIVERY_URL; }
    // Suspicious files through KVCOMS_SendSuspiciousQEM (options.deleteFailed asks it to delete what still
    // cannot be sent), reports through KVCOMS_SendReports (options.holdFinalReport keeps the final analysis
    // report back), statistics through KVCOMS_SendStatistics. Filtered elements are not sent in this mode.
    // A call that fails with nothing counted as left reports the files still waiting in the folder. An
    // empty suspicious folder is finished without a call.
    bool Deliver(DeliveryKind kind, const DeliveryOptions& options, DeliveryCounters& counters) override;

    // Where statistics go: the address the signature file names (empty until it is known).
    void SetStatisticsUrl(const std::string& url) { statisticsUrl_ = url; }

private:
    bool Bind();
    void FillRequests();

    const TessalyConfig& config_;
    const KvComsSendApi* api_ = nullptr;
    bool filled_ = false;
    std::string statisticsUrl_;
    KVCOMS_SENDFILES reports_;
    KVCOMS_SENDFILES statistics_;
    KVCOMS_SUSPICIOUS_QEM suspicious_;
};

// The URL transport for the work folders of config (absolute paths), one per process: the first call
// decides the configuration it reads. UrlDeliveryInstance gives the same object with its own interface.
Delivery& UrlDeliveryFor(const TessalyConfig& config);
UrlDelivery& UrlDeliveryInstance(const TessalyConfig& config);

// Copies text into a fixed field of size bytes. terminated: at most size - 1 bytes and a zero always
// follows; otherwise the field may be filled completely (identifiers of a fixed length).
void CopyRequestText(char* field, size_t size, const std::string& text, bool terminated = true);
