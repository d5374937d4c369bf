#include "ScanExecution.h"

#include "AdapterState.h"
#include "AnalysisSettings.h"
#include "AnalysisSystem.h"
#include "CommObjectSession.h"
#include "DetectionHandling.h"
#include "KVLog.h"
#include "PathMacros.h"
#include "ScanApiRef.h"
#include "ScanCallbacks.h"
#include "ScanHooks.h"
#include "ScanResultData.h"
#include "ScopeLogger.h"
#include "TessalyConfig.h"
#include "TextHelpers.h"
#include "Win32Exception.h"

#include <windows.h>

#include <memory>

namespace {

ScanItem PathItem(uint32_t kind, const std::string& path, uint32_t option)
{
    ScanItem item;
    item.kind = kind;
    item.path = path;
    item.option = option;
    return item;
}

ScanItem PlainItem(uint32_t kind)
{
    return PathItem(kind, std::string(), 0);
}

// The drives the system reports as remote, in its order.
std::vector<std::string> RemoteDrives()
{
    std::vector<std::string> drives;
    char buffer[512] = {};
    DWORD length = GetLogicalDriveStringsA(sizeof buffer - 1, buffer);
    if (length == 0 || length >= sizeof buffer)
        return drives;
    for (const char* drive = buffer; *drive; drive += strlen(drive) + 1)
        if (GetDriveTypeA(drive) == DRIVE_REMOTE)
            drives.push_back(drive);
    return drives;
}

// Error record texts are wide; the steps name them in ANSI.
void Report(int code, const std::string& text, int flag)
{
    RaiseErrorReport(code, ToWide(text), flag);
}

void PrepareAnalysis(bool mail, bool memory)
{
    AdapterState& state = Adapter();
    state.mailAnalysis = mail;
    state.detectionCount = 0;
    state.pending = nullptr;
    if (state.results)
        state.results->BeginAnalysis(mail, memory);
}

} // namespace

// Runs the analysis: 0 or the engine's result. The waiting entries and the end-of-analysis step follow
// it; an exception kept by a callback is rethrown first.
int RunAnalysis(AnalysisSystem& system, AnalyzableItemsList& list)
{
    AdapterState& state = Adapter();
    state.detectionCount = 0;
    KV_GenerateLog(state.module(), KV_SOURCE_FILE, __LINE__, "analysisSystem.analyse");
    SetCurrentDirectoryA(state.config->programFolder.c_str());
    int result = system.analyse(list);
    RethrowPending();
    // Entries whose container never reported are reported as they are, before the documents.
    FlushWaitingEntries();
    if (state.results)
        state.results->EndAnalysis();
    return result;
}

std::vector<ScanItem> MalwareScanItems(bool mail, bool memory)
{
    const TessalyConfig& config = *Adapter().config;
    std::vector<ScanItem> items;
    if (mail) {
        if (config.analysisKinds & ANALYSIS_OUTLOOK)
            items.push_back(PlainItem(ZOSCAN_ITEM_OUTLOOK));
        if (config.analysisKinds & ANALYSIS_OUTLOOK_EXPRESS)
            items.push_back(PlainItem(ZOSCAN_ITEM_OUTLOOK_EXPRESS));
    } else if (memory) {
        KV_GenerateLog(Adapter().module(), KV_SOURCE_FILE, __LINE__, "bIsMemoryScan = TRUE");
        items.push_back(PlainItem(ZOSCAN_ITEM_MEMORY));
    } else if (!config.pathAnalysis.empty()) {
        items.push_back(PathItem(ZOSCAN_ITEM_PATH, ToNarrow(config.pathAnalysis), 1));
    } else {
        if (config.analysisKinds & ANALYSIS_ALL_DISKS)
            items.push_back(PlainItem(config.analysisKinds & ANALYSIS_REMOVABLE_DISKS ? ZOSCAN_ITEM_ALL_DISKS
                                                                                      : ZOSCAN_ITEM_FIXED_DISKS));
        if (config.analysisKinds & ANALYSIS_NETWORK_DRIVES)
            for (const std::string& drive : RemoteDrives())
                items.push_back(PathItem(ZOSCAN_ITEM_NETWORK_DRIVE, drive, 1));
    }
    return items;
}

std::vector<ScanItem> IntensiveScanItems()
{
    std::vector<ScanItem> items;
    for (std::wstring entry : Adapter().config->intensiveAnalysisPaths) { // a copy: the list stays as read
        uint32_t option = 0;
        size_t cut = entry.find(L"|s");
        if (cut != std::wstring::npos) {
            entry.resize(cut);
            option = 1;
        }
        wchar_t expanded[261];
        std::string path = expandPathMacros(entry.c_str(), expanded, 261) ? ToNarrow(std::wstring(expanded))
                                                                           : ToNarrow(entry);
        items.push_back(PathItem(ZOSCAN_ITEM_PATH, path, option));
    }
    return items;
}

int AddScanItems(AnalyzableItemsList& list, const std::vector<ScanItem>& items)
{
    for (const ScanItem& item : items) {
        int result;
        if (item.kind == ZOSCAN_ITEM_PATH || item.kind == ZOSCAN_ITEM_NETWORK_DRIVE) {
            ZoPathItemRecord record = {};
            record.size = sizeof record; // 28 in the 32-bit layout
            record.path = item.path.c_str();
            record.option = item.option;
            result = list.add(item.kind, &record);
        } else {
            result = list.add(item.kind, nullptr);
        }
        if (result != 0)
            return result;
    }
    return 0;
}

namespace {

// What distinguishes the scans once their items are known. The intensive analysis returns 2 for a
// refused configuration or item list without logging it, and counts a stopped analysis as a failure.
struct ScanPlan {
    bool mail = false;
    int kind = ANALYSIS_KIND_DISK;
    bool intensive = false;
};

int RunScan(const ScanPlan& plan, const std::vector<ScanItem>& items)
{
    AdapterState& state = Adapter();
    const TessalyConfig& config = *state.config;
    const char* module = state.module();

    ScanApiRef::setFolder(config.programFolder.c_str());
    ScanApiRef::currentVersion();
    AnalyzableItemsList list;
    AnalysisSystem system(config.programFolder, config.programFolder, ToNarrow(config.appRefVersion));

    // Released, told to end and waited for on every way out of this function.
    CommObjectSession comm(config);
    state.commObject = comm.object();
    struct ClearObject {
        ~ClearObject() { Adapter().commObject = nullptr; }
    } clearObject;

    int result;
    if (plan.intensive) {
        result = configureIntensiveAnalysis(system);
    } else if (plan.mail) {
        result = configureAnalysis(system, ANALYSIS_KIND_MAIL);
        if (result == 0 && config.generateStatistics && Hooks().statInitDiskStats)
            Hooks().statInitDiskStats((config.programFolder + "\\" + ToNarrow(config.statisticFolder)).c_str());
    } else {
        if (plan.kind == ANALYSIS_KIND_MEMORY)
            KV_GenerateLog(module, KV_SOURCE_FILE, __LINE__, "configureAnalysis with MSCAN_MEMORY_ANALYSIS");
        result = configureAnalysis(system, plan.kind);
    }
    if (result != 0) {
        if (!plan.intensive)
            KV_GenerateLog(module, KV_SOURCE_FILE, __LINE__, "Error %d configuring analysis", result);
        Report(0, "Error Configuring Scanner", 0);
        return plan.intensive ? 2 : result;
    }

    result = AddScanItems(list, items);
    if (result != 0) {
        if (!plan.intensive)
            KV_GenerateLog(module, KV_SOURCE_FILE, __LINE__, "Error %d Initializing Analizable Item List", result);
        Report(0, "Error Initializing Analizable Item List", 0);
        return plan.intensive ? 2 : result;
    }

    result = RunAnalysis(system, list);
    if (result != 0 && (plan.intensive || !state.stopRequested)) {
        KV_GenerateLog(module, KV_SOURCE_FILE, __LINE__, "analysisSystem.analyse returned %d", result);
        return result;
    }

    if (plan.mail) {
        if (state.results && Hooks().mailTotals)
            Hooks().mailTotals(state.results->totals.elements, state.results->totals.files,
                               state.results->totals.messages);
        if (config.generateStatistics && Hooks().statFinalizeDiskStats)
            Hooks().statFinalizeDiskStats();
    }
    return 0;
}

// A DWORD or LONG caught by a scan: logged in decimal, reported, returned.
int Caught(const char* module, const char* kind, long long value)
{
    std::string text = std::to_string(value);
    KV_GenerateLog(module, KV_SOURCE_FILE, __LINE__, "caught %s exception in DoMalwareScan :%s", kind, text.c_str());
    Report(0, std::string("caught ") + kind + " exception in DoMalwareScan: " + text, 1);
    return static_cast<int>(value);
}

} // namespace

int RunGuarded(const char* function, const std::function<int()>& scan)
{
    const char* module = Adapter().module();
    try {
        return scan();
    } catch (int value) {
        KV_GenerateLog(module, KV_SOURCE_FILE, __LINE__, (std::string("caught int exception in ") + function + " :%i").c_str(),
                       value);
        Report(0, "caught int exception in DoMalwareScan: " + std::to_string(value), 1);
        return value;
    } catch (DWORD value) {
        return Caught(module, "DWORD", static_cast<long long>(value));
    } catch (LONG value) {
        return Caught(module, "LONG", static_cast<long long>(value));
    } catch (const Win32Exception& e) {
        KV_GenerateLog(module, KV_SOURCE_FILE, __LINE__, "caught ZoscanException in DoMalwareScan :%lu [%s]", e.code(),
                       e.what());
        Report(0, "caught ZoscanException in DoMalwareScan: " + std::to_string(e.code()) + " - " + e.what(), 1);
        return static_cast<int>(e.code());
    }
}

int DoMalwareScan(bool mail, bool memory)
{
    AdapterState& state = Adapter();
    KV_SCOPE(state.module(), "DoMalwareScan()");
    const TessalyConfig& config = *state.config;
    state.timeoutReported = false;
    state.currentSensitivity = mail ? config.mailHeuristicSensitivity
                                    : memory ? config.memoryHeuristicSensitivity : config.diskHeuristicSensitivity;
    PrepareAnalysis(mail, memory);
    std::vector<ScanItem> items = MalwareScanItems(mail, memory);
    ScanPlan plan;
    plan.mail = mail;
    plan.kind = mail ? ANALYSIS_KIND_MAIL : memory ? ANALYSIS_KIND_MEMORY : ANALYSIS_KIND_DISK;
    return RunGuarded("DoMalwareScan", [&] { return RunScan(plan, items); });
}

int DoIntensiveMalwareScan()
{
    AdapterState& state = Adapter();
    KV_SCOPE(state.module(), "DoIntensiveMalwareScan()");
    PrepareAnalysis(false, false);
    std::vector<ScanItem> items = IntensiveScanItems();
    ScanPlan plan;
    plan.intensive = true;
    return RunGuarded("DoIntensiveMalwareScan", [&] { return RunScan(plan, items); });
}
