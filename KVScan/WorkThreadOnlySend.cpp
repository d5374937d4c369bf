// The resend run: started with "/onlysend" after an interruption during the delivery of an audit, it
// sends once what the earlier run left in the work folders.
#include "Delivery.h"
#include "ExitProgram.h"
#include "Globals.h"
#include "Hooks.h"
#include "KVLog.h"
#include "MachineIds.h"
#include "ScopeLogger.h"
#include "WorkFolders.h"
#include "WorkThreadHooks.h"
#include "WorkThreadSteps.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace {

// One send of one kind; returns what is left (logged and reported when not nothing).
unsigned long SendOnce(Delivery& delivery, DeliveryKind kind, const char* leftText)
{
    DeliveryOptions options;
    DeliveryCounters counters;
    bool succeeded = delivery.Deliver(kind, options, counters);
    unsigned long left = counters.left;
    if (!succeeded && left == 0)
        left = 1; // a failed call that cannot say how much is left still leaves something
    if (left > 0) {
        char text[128];
        snprintf(text, sizeof(text), leftText, left);
        KVSCAN_LOG("%s", text);
        RaiseWorkError(3503, text, 0);
    }
    return left;
}

// Something could not be sent: the files stay, and so do the Run value (in its resend form), the counter of
// starts and the instance identifier, so that the next logon tries again while "Tries" allows it.
[[noreturn]] void KeepForNextStart(int tries)
{
    const std::string command = CurrentRestartCommand(true);
    KVSCAN_LOG("Some data could not be sent. Keeping the resend entry for the next start");
    g_config.noClean = true; // the exit routine must not delete what is still to be sent
    const std::string instanceId = g_config.instanceId;
    ExitProgram(EXIT_GENERAL_FAILURE, true);
    SetRestartCommand(AuditGuardKeys(), command);
    StoreTries(AuditGuardKeys(), g_config.auditGuid, static_cast<DWORD>(tries));
    if (instanceId.size() == 38) {
        const std::string bare = instanceId.substr(1, 36);
        WriteGuidValue(HKEY_LOCAL_MACHINE, kTessalyKey, "LASTAUID", bare);
        WriteGuidValue(HKEY_LOCAL_MACHINE, kUidsSetupExKey, "LASTAUID", bare);
    }
    exit(EXIT_GENERAL_FAILURE);
}

void Resend(void* instance)
{
    KV_SCOPE(g_config.logModule.c_str(), "WorkThreadOnlySend()");
    CheckComputerAndAppRef();
    const int tries = CountStart(AuditGuardKeys(), g_config.auditGuid);
    if (tries > MAX_AUDIT_TRIES) {
        KVSCAN_LOG("Too many failed tries, finalishing the analysis.");
        EndAuditRun(EXIT_TOO_MANY_TRIES);
    }
    CheckConnectionAndDestination(instance, true);
    MakeWorkFoldersAbsolute(g_config);
    if (PrepareWorkFolders(g_config, true) != 0)
        EndAuditRun(EXIT_GENERAL_FAILURE);
    AllowWorkAccess();

    Delivery& delivery = ConfiguredDelivery(g_config);
    unsigned long left = 0;
    KVSCAN_LOG("Sending suspicious...");
    left += SendOnce(delivery, KIND_SUSPICIOUS, "%lu suspicious could not be sent");
    KVSCAN_LOG("Sending reports...");
    left += SendOnce(delivery, KIND_REPORTS, "%lu reports could not be sent");
    if (g_config.generateStatistics) {
        bool statisticsUrlKnown = false;
        ReadStatisticsConfiguration(g_config, statisticsUrlKnown);
        if (delivery.Mode() == DELIVERY_URL && !statisticsUrlKnown) {
            KVSCAN_LOG("No statistics URL: statistics are not sent");
        } else {
            KVSCAN_LOG("Sending statistics...");
            left += SendOnce(delivery, KIND_STATISTICS, "%lu statistics files could not be sent");
        }
    }
    if (delivery.Mode() == DELIVERY_FOLDER || delivery.Mode() == DELIVERY_FTP)
        left += SendOnce(delivery, KIND_FILTERED, "%lu filtered elements could not be sent");
    KVSCAN_LOG("Sending process finished.");
    RemoveBootDriver(g_config);
    if (left > 0)
        KeepForNextStart(tries);
    EndAuditRun(EXIT_AUDIT_FINISHED);
}

} // namespace

void __cdecl WorkThreadOnlySend(void* instance)
{
    HoldForStartupTest();
    try {
        Resend(instance);
    } catch (...) {
        KVSCAN_LOG("Caught exception in WorkThreadOnlySend");
        EndAuditRun(EXIT_GENERAL_FAILURE);
    }
}
