#include "DeliveryLoop.h"

#include "KVLog.h"
#include "ScopeLogger.h"

#include <windows.h>

#define LOOP_LOG(...) KV_GenerateLog(logModule, KV_SOURCE_FILE, __LINE__, __VA_ARGS__)

namespace {

void DefaultSleep(unsigned long ms)
{
    Sleep(ms);
}

// One call of one kind with fresh counters; true when the kind is finished.
bool SendKind(Delivery& delivery, DeliveryKind kind, const DeliveryOptions& options)
{
    DeliveryCounters counters;
    counters.sent = 0;
    counters.left = 0;
    return delivery.Deliver(kind, options, counters) && counters.left == 0;
}

} // namespace

DeliveryLoopResult RunDeliveryLoop(Delivery& delivery, const DeliveryLoopSettings& settings,
                                   const DeliveryLoopEvents& events, const char* logModule)
{
    KV_SCOPE(logModule, "RunDeliveryLoop()");
    LOOP_LOG("Trying to send remaining data...");
    void (*sleep)(unsigned long) = events.sleep ? events.sleep : DefaultSleep;
    const DeliveryMode mode = delivery.Mode();
    bool done[KIND_COUNT] = {false, false, false, false};
    if (mode == DELIVERY_NONE) {
        LOOP_LOG("No destination configured: nothing is sent");
        for (int i = 0; i < KIND_COUNT; ++i)
            done[i] = true;
    }
    if (!settings.generateStatistics) {
        done[KIND_STATISTICS] = true;
    } else if (mode == DELIVERY_URL && !settings.statisticsUrlKnown) {
        LOOP_LOG("No statistics URL: statistics are not sent");
        done[KIND_STATISTICS] = true;
    }
    if (mode != DELIVERY_FOLDER && mode != DELIVERY_FTP)
        done[KIND_FILTERED] = true;

    DeliveryLoopResult result;
    DeliveryOptions options;
    for (;;) {
        ++result.rounds;
        if (!done[KIND_SUSPICIOUS]) {
            if (mode == DELIVERY_URL) {
                ++result.suspiciousTries;
                LOOP_LOG("Suspicious sending. Try %d", result.suspiciousTries);
                if (result.suspiciousTries >= settings.maxSuspiciousTries && !options.deleteFailed) {
                    LOOP_LOG("Maximum tries number reached. Elements will be deleted.");
                    options.deleteFailed = true;
                }
            }
            done[KIND_SUSPICIOUS] = SendKind(delivery, KIND_SUSPICIOUS, options);
        }
        // The final analysis report leaves only after the suspicious files.
        options.holdFinalReport = !done[KIND_SUSPICIOUS];
        if (!done[KIND_REPORTS])
            done[KIND_REPORTS] = SendKind(delivery, KIND_REPORTS, options) && !options.holdFinalReport;
        if (!done[KIND_STATISTICS])
            done[KIND_STATISTICS] = SendKind(delivery, KIND_STATISTICS, options);
        if (!done[KIND_FILTERED])
            done[KIND_FILTERED] = SendKind(delivery, KIND_FILTERED, options);

        bool all = true;
        for (int i = 0; i < KIND_COUNT; ++i)
            all = all && done[i];
        if (all)
            return result;
        if (result.rounds == 1) {
            LOOP_LOG("First sending try failed. Preparing the system for sending remaining data if system shutdowns "
                     "before ending.");
            if (events.firstFailure)
                events.firstFailure(events.context);
        }
        LOOP_LOG("Some data could not be sent. Retrying...");
        sleep(settings.retryDelayMs);
    }
}
