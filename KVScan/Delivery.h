// Delivery of the audit's results to the audit server: the one interface through which each kind of
// result leaves the work folders, and the delivery mode decided from the configuration.
#pragma once

#include <string>

class TessalyConfig;

// Precedence: a reports folder, then an FTP address, then a reports URL; none when all three are empty.
enum DeliveryMode { DELIVERY_FOLDER = 0, DELIVERY_FTP = 1, DELIVERY_URL = 2, DELIVERY_NONE = 3 };

enum DeliveryKind { KIND_SUSPICIOUS = 0, KIND_REPORTS = 1, KIND_STATISTICS = 2, KIND_FILTERED = 3, KIND_COUNT = 4 };

DeliveryMode DecideDeliveryMode(const TessalyConfig& config);
const char* DeliveryModeName(DeliveryMode mode);
const char* DeliveryKindName(DeliveryKind kind);

// What one call did. The caller zeroes both before every call.
struct DeliveryCounters {
    unsigned long sent = 0;
    unsigned long left = 0; // elements that could not be delivered and wait in the work folder for the next call
};

struct DeliveryOptions {
    // The final analysis report ("{00000000-0000-0000-0000-000000000000}.xml") stays behind: it must only
    // leave after the suspicious files.
    bool holdFinalReport = false;
    // Suspicious files that still cannot be sent are deleted (the last try of the URL transport).
    bool deleteFailed = false;
};

// One transport. Deliver returns true when the call itself succeeded; what is left is in counters.left.
class Delivery {
public:
    virtual ~Delivery() {}
    virtual DeliveryMode Mode() const = 0;
    virtual bool Deliver(DeliveryKind kind, const DeliveryOptions& options, DeliveryCounters& counters) = 0;
};

extern const char kFinalReportName[]; // "{00000000-0000-0000-0000-000000000000}.xml"

// The transport of the configured mode, for the work folders of config (absolute paths). "none" sends
// nothing and succeeds; URL mode goes through KVComs.dll (DeliveryUrl.h); folder and FTP mode copy or
// upload into the run folder of the destination (DeliveryDestination.h).
Delivery& ConfiguredDelivery(const TessalyConfig& config);

// Number of files waiting in folder (sub-folders not counted); excluded (a bare file name) is skipped.
unsigned long CountWaitingFiles(const std::wstring& folder, const char* excluded = nullptr);
