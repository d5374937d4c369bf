// The audit run on this machine: target checks, interruption guard, work folders, the chain of
// configured programs with periodic sends, statistics, the delivery of everything left and the
// restart decision.
#include "AdapterState.h"
#include "AuditState.h"
#include "CommLibs.h"
#include "DeliveryLoop.h"
#include "ExitProgram.h"
#include "Globals.h"
#include "Hooks.h"
#include "KVLog.h"
#include "ProcessTable.h"
#include "RestartDecision.h"
#include "ScopeLogger.h"
#include "SystemFacts.h"
#include "TestSeams.h"
#include "WorkFolders.h"
#include "WorkThreadHooks.h"
#include "WorkThreadSteps.h"

#include <windows.h>

#include <cstdlib>
#include <cwchar>

namespace {

bool SendsProgress(DeliveryMode mode)
{
    return mode == DELIVERY_FOLDER || mode == DELIVERY_FTP;
}

void WriteProgressOrExit(int progressStatus)
{
    if (!WriteProgressRecord(g_config, progressStatus, 0)) {
        KVSCAN_LOG("Unknown error creating the progress file");
        EndAuditRun(EXIT_GENERAL_FAILURE);
    }
}

void CheckTargetAndAdmin()
{
    if (IsOsExcluded(g_config, g_config.osType)) {
        KVSCAN_LOG("Current OS type is not included in the scan. Exiting");
        EndAuditRun(EXIT_OS_EXCLUDED);
    }
    if (!IsComputerIncluded(g_config, g_config.computerName)) {
        KVSCAN_LOG("Current PC is not included in the scan. Exiting");
        EndAuditRun(EXIT_COMPUTER_NOT_LISTED);
    }
    if (g_config.isNtFamily && g_config.checkAdmin && !g_system.isAdministrator()) {
        KVSCAN_LOG("Need to be Admin, but I am not Admin");
        EndAuditRun(EXIT_ADMIN_REQUIRED);
    }
}

void GuardAgainstInterruption()
{
    SetRestartCommand(AuditGuardKeys(), CurrentRestartCommand(false));
    int tries = CountStart(AuditGuardKeys(), g_config.auditGuid);
    KVSCAN_LOG("Start %d of this audit", tries);
    if (tries > MAX_AUDIT_TRIES) {
        KVSCAN_LOG("Too many failed tries, finalishing the analysis.");
        EndAuditRun(EXIT_TOO_MANY_TRIES);
    }
}

void PrepareFolders()
{
    MakeWorkFoldersAbsolute(g_config);
    if (PrepareWorkFolders(g_config, false) != 0)
        EndAuditRun(EXIT_GENERAL_FAILURE);
}

// SendReportPeriodicity in seconds; a text that is no number keeps the default of 60.
unsigned long SendPeriodSeconds()
{
    const wchar_t* text = g_config.sendReportPeriodicity.c_str();
    wchar_t* end = nullptr;
    unsigned long seconds = wcstoul(text, &end, 10);
    if (end == text || *text == L'-')
        return 60;
    return seconds;
}

void SendPeriodically(Delivery& delivery)
{
    if (delivery.Mode() == DELIVERY_NONE)
        return;
    DeliveryOptions options;
    options.holdFinalReport = true;
    DeliveryCounters counters;
    delivery.Deliver(KIND_REPORTS, options, counters);
    if (Audit().newSuspiciousFiles.load()) {
        counters = DeliveryCounters();
        delivery.Deliver(KIND_SUSPICIOUS, options, counters);
    }
}

void WaitForPrograms(Delivery& delivery)
{
    const unsigned long period = SendPeriodSeconds();
    DWORD lastSend = GetTickCount();
    while (RunningPrograms() > 0) {
        if ((GetTickCount() - lastSend) / 1000 > period) {
            lastSend = GetTickCount();
            SendPeriodically(delivery);
        }
        Sleep(1000);
    }
}

// After the first round of the delivery loop that left something: an interruption from now on restarts
// the scanner only to send.
void PrepareForResend(void*)
{
    SetRestartCommand(AuditGuardKeys(), CurrentRestartCommand(true));
    g_config.allowSystemShutdown = true;
    CloseProgressWindow();
}

int FinalStatus()
{
    if (!Audit().signatureFilePresent.load())
        return EXIT_SIGNATURES_MISSING;
    if (Adapter().timedOut)
        return EXIT_ANALYSIS_TIMED_OUT;
    return EXIT_AUDIT_FINISHED;
}

void RunAudit(void* instance)
{
    KV_SCOPE(g_config.logModule.c_str(), "WorkThread()");
    CheckComputerAndAppRef();
    CheckTargetAndAdmin();
    GuardAgainstInterruption();
    CleanPendingFileOperations(g_config);
    CheckConnectionAndDestination(instance, false);
    const DeliveryMode mode = DecideDeliveryMode(g_config);
    if (SendsProgress(mode))
        WriteProgressOrExit(0);
    KVSCAN_LOG("Creamos el res con valor 0");
    WriteLaunchResult(EXIT_AUDIT_FINISHED);
    PrepareFolders();
    AllowWorkAccess();
    if (SendsProgress(mode))
        WriteProgressOrExit(1);
    if (g_config.generateStatistics)
        StartStatistics(g_config);
    if (g_config.disinfection) {
        KVSCAN_LOG("Disinfection client --> Installing Reboot Driver");
        KVSCAN_LOG("Driver installation return code: %d", InstallBootDriver(g_config));
    }
    KVSCAN_LOG("Checking if communication libs are registered");
    RegisterCommLibs();
    StartProgressThread(g_config);
    LaunchProgram(0, instance);

    Delivery& delivery = ConfiguredDelivery(g_config);
    WaitForPrograms(delivery);
    KVSCAN_LOG("Every configured program has ended");

    const bool restartNeeded = Audit().restartNeeded.load() || g_config.restartNeeded;
    if (g_config.disinfection && !restartNeeded)
        RemoveBootDriver(g_config);
    DeliveryLoopSettings settings;
    settings.generateStatistics = g_config.generateStatistics;
    if (g_config.generateStatistics)
        WriteStatisticsDocument(g_config, settings.statisticsUrlKnown);
    DeliveryLoopEvents events;
    events.firstFailure = PrepareForResend;
    RunDeliveryLoop(delivery, settings, events, g_config.logModule.c_str());

    RemoveGuard(AuditGuardKeys());
    ArrangeCleanAfterRestart(g_config, restartNeeded, AuditGuardKeys());
    const int status = FinalStatus();
    ExitProgram(status, true);
    CarryOutRestart(g_config, DecideRestart(restartNeeded, g_config.onRestartNeeded, g_config.messagesAllowed));
    // The process ends with the run's status, so that a failed audit is not seen as a success.
    exit(status);
}

} // namespace

void __cdecl WorkThread(void* instance)
{
    HoldForStartupTest();
    try {
        RunAudit(instance);
    } catch (...) {
        KVSCAN_LOG("Caught exception in WorkThread");
        EndAuditRun(EXIT_GENERAL_FAILURE);
    }
}
