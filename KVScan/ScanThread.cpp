#include "ScanThread.h"

#include "AdapterState.h"
#include "AuditState.h"
#include "DisinfectionRun.h"
#include "EngineService.h"
#include "Globals.h"
#include "KVLog.h"
#include "ScanExecution.h"
#include "ScanResultData.h"
#include "ScanSteps.h"
#include "ScanThreadHooks.h"
#include "ScopeLogger.h"
#include "TextHelpers.h"

#include <windows.h>

#include <string>

ScanRunState& ScanRun()
{
    static ScanRunState* state = new ScanRunState;
    return *state;
}

ScanResultData& RunResults()
{
    static ScanResultData* results = new ScanResultData(g_config, g_machineId);
    return *results;
}

namespace {

bool StopRequested()
{
    return Adapter().stopRequested != 0;
}

void RequestStop()
{
    InterlockedExchange(&Adapter().stopRequested, 1);
}

bool FileExists(const std::string& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void ShowConfiguring(bool configuring, int position)
{
    if (ScanCalls().setConfiguring)
        ScanCalls().setConfiguring(configuring, position);
}

int __stdcall UpdateProgress(int percent)
{
    ScanRun().progress = percent;
    return 1;
}

void UpdateSignatures()
{
    const ScanThreadCalls& calls = ScanCalls();
    if (!calls.checkQelsig) {
        KVSCAN_LOG("Signature update not available");
        return;
    }
    SigUpdateRequest request;
    if (!g_config.proxyServer.empty()) {
        request.proxyServer = ToNarrow(g_config.proxyServer);
        request.proxyPort = ToNarrow(g_config.proxyPort);
        request.proxyUser = ToNarrow(g_config.proxyUser);
        request.proxyPassword = ToNarrow(g_config.proxyPassword);
    }
    request.agent = ToNarrow(g_config.platformVersion);
    request.progress = UpdateProgress;
    ScanRun().updating = true;
    int result = calls.checkQelsig(request);
    DWORD systemError = GetLastError();
    ScanRun().updating = false;
    // 1 is the only success: "no update possible" and the download, extraction and engine failures
    // are all reported, each with its own result.
    if (result != 1) {
        KVSCAN_LOG("Error %d updating identifiers", result);
        SendScanErrorReport(2517, "Error updating identifiers", systemError,
                            "KVCOMS_CheckQelsig returned " + std::to_string(result));
    }
}

void RunPhase(int phase, const char* startLine, const char* endLine, int (*analysis)())
{
    ScanRun().currentPhase = phase;
    KVSCAN_LOG("%s", startLine);
    analysis();
    KVSCAN_LOG("%s", endLine);
    ScanRun().currentPhase = PHASE_NONE;
    ScanRun().progress = 0;
}

int MemoryAnalysis()
{
    return DoMalwareScan(false, true);
}

int DiskAnalysis()
{
    return DoMalwareScan(false, false);
}

int MailAnalysis()
{
    AdapterState& adapter = Adapter();
    bool wasOpen = adapter.filtered.isOpen();
    if (wasOpen)
        CloseFilteredElements();
    int result = -1;
    if (ScanCalls().launchMailScan)
        result = ScanCalls().launchMailScan();
    else
        KVSCAN_LOG("Mail scanner launch not available");
    if (wasOpen)
        OpenFilteredElementsForAppend();
    if (result == 6)
        g_config.restartNeeded = true;
    return result;
}

void RunPhases()
{
    const PhasePlan& plan = ScanRun().plan;
    if (plan.memory && !StopRequested())
        RunPhase(PHASE_MEMORY, "Start Memory Analysis", "End MemoryAnalysis", MemoryAnalysis);
    if (plan.intensive && !StopRequested())
        RunPhase(PHASE_INTENSIVE, "Start Intensive Analysis", "End Intensive Analysis", DoIntensiveMalwareScan);
    if (plan.disk && !StopRequested())
        RunPhase(PHASE_DISK, "Start Disk Analysis", "End Disk Analysis", DiskAnalysis);
    if (plan.mail && !StopRequested()) {
        RunPhase(PHASE_MAIL, "Start Mail Analysis", "End Mail Analysis", MailAnalysis);
        if (g_config.generateStatistics)
            CollectStatisticsTempFiles();
    }
}

// Steps 1 to 10: the plan, the service, the update, the decision and the analyses. Returns 2 when the
// quarantine element manager could not start, else 0; initialReport tells whether it was written.
int PrepareAndAnalyse(bool& initialReport)
{
    ScanRunState& run = ScanRun();
    PhaseInputs inputs;
    inputs.analysisKinds = g_config.analysisKinds;
    inputs.pathAnalysis = !g_config.pathAnalysis.empty();
    inputs.intensivePaths = !g_config.intensiveAnalysisPaths.empty();
    inputs.disinfection = g_config.disinfection;
    run.plan = PlanPhases(inputs);
    run.progress = 0;
    InterlockedExchange(&Adapter().stopRequested, 0);
    KVSCAN_LOG("Phases planned: %d, weight %d", run.plan.count, run.plan.weight);

    if (g_config.osType == 10 || g_config.osType == 11) {
        std::string path = g_config.programFolder + "\\" ZOKSVC_EXECUTABLE;
        InstallAndStartService(kEngineServiceName, kEngineServiceName, path.c_str(), SERVICE_WIN32_OWN_PROCESS,
                               SERVICE_DEMAND_START);
    }

    if (g_config.checkUpdates && g_config.reportsFolder.empty())
        UpdateSignatures();

    if (!FileExists(g_config.programFolder + "\\qel.sig")) {
        KVSCAN_LOG("Signature file qel.sig not found");
        Audit().signatureFilePresent = false;
        g_config.generateStatistics = false;
        return 0;
    }

    std::string decision;
    g_config.generateStatistics = DecideStatistics(g_config.generateStatistics, g_config.programFolder, decision);
    KVSCAN_LOG("%s", decision.c_str());

    if (ScanCalls().setMailStatistics)
        ScanCalls().setMailStatistics(g_config.generateStatistics);
    if ((g_config.osType == 10 || g_config.osType == 11) && ScanCalls().setMailInstanceId)
        ScanCalls().setMailInstanceId(g_config.instanceId.substr(0, 38));

    SetMapiClientValues();

    RunResults().WriteAnalysisDetails(true);
    initialReport = true;
    if (!StopRequested() && g_config.disinfection)
        DoMalwareDisinfection();
    if (run.plan.count == 0)
        RequestStop();

    if (!StopRequested()) {
        ShowConfiguring(true, 0);
        ShowConfiguring(true, 50);
        int result = StartQuarantineManager();
        if (result != 0) {
            KVSCAN_LOG("Error %d Initializing QEM", result);
            SendScanErrorReport(result, "Error Initalizing VLM", GetLastError());
            return 2;
        }
        ShowConfiguring(false, 100);
        Audit().newSuspiciousFiles = true;
    }

    RunPhases();
    return 0;
}

} // namespace

unsigned __stdcall ScanThread(void*)
{
    KV_SCOPE(g_config.logModule.c_str(), "ScanThread");
    BindAdapter(g_config, RunResults(), g_machineId);
    bool initialReport = false;
    int result = 0;
    try {
        result = PrepareAndAnalyse(initialReport);
    } catch (...) {
        KVSCAN_LOG("Exception caught in ScanThread");
    }
    ScanRun().currentPhase = PHASE_NONE;

    RemoveMapiClientValues();
    if (Audit().newSuspiciousFiles) {
        KVSCAN_LOG("Finalizing Quarantine Manager");
        FinalizeQuarantineManager();
        Audit().newSuspiciousFiles = false;
    }
    if (Adapter().filtered.isOpen()) {
        KVSCAN_LOG("Closing filtered elements file");
        CloseFilteredElements();
    }
    if (initialReport) {
        KVSCAN_LOG("Creating End Analysis Details");
        try {
            RunResults().WriteAnalysisDetails(false);
        } catch (...) {
            KVSCAN_LOG("Exception creating End Analysis Details");
        }
    }
    return static_cast<unsigned>(result);
}
