// DoMalwareDisinfection: the elements file's detections as items of kind 0x50000, the disinfection
// settings, the analysis and the result documents.

#include "DisinfectionRun.h"

#include "AdapterState.h"
#include "AnalysisSettings.h"
#include "AnalysisSystem.h"
#include "AnalyzableItemsList.h"
#include "ElementsFile.h"
#include "KVLog.h"
#include "ScanApiRef.h"
#include "ScanCallbacks.h"
#include "ScanExecution.h"
#include "ScanResultData.h"
#include "ScopeLogger.h"
#include "TessalyConfig.h"
#include "TextHelpers.h"

#include <windows.h>

namespace {

constexpr int kDisinfectionFailed = 2;

void PrepareDisinfection()
{
    AdapterState& state = Adapter();
    state.mailAnalysis = false;
    state.detectionCount = 0;
    state.timeoutReported = false;
    state.pending = nullptr;
    if (state.results)
        state.results->BeginAnalysis(false, false);
}

// Adds one item per element; 0 or the first refusal.
int AddElements(AnalyzableItemsList& list, const std::vector<DisinfectionElement>& elements)
{
    for (const DisinfectionElement& element : elements) {
        DisinfectionItemRecords records;
        BuildItemRecords(element, records); // rebuilt for each element: the engine copies what it needs
        int result = list.add(ZOSCAN_ITEM_DETECTION, &records.item);
        if (result != 0)
            return result;
    }
    return 0;
}

int RunDisinfection()
{
    AdapterState& state = Adapter();
    const TessalyConfig& config = *state.config;
    const char* module = state.module();

    ScanApiRef::setFolder(config.programFolder.c_str());
    ScanApiRef::currentVersion();
    AnalyzableItemsList list;
    AnalysisSystem system(config.programFolder, config.programFolder, ToNarrow(config.appRefVersion));

    std::string path;
    ElementsFilePath(config.programFolder, config.auditGuid, path);
    std::vector<DisinfectionElement> elements;
    int read = path.empty() ? ELEMENTS_MISSING : ReadElementsFile(path, module, elements);
    if (read == ELEMENTS_MISSING) {
        std::string shown = path.empty() ? ToNarrow(config.auditGuid) : path;
        KV_GenerateLog(module, KV_SOURCE_FILE, __LINE__, "Elements to disinfect file [%s] not exists.", shown.c_str());
        RaiseErrorReport(0, L"Error getting elements to disinfect", 0);
        return kDisinfectionFailed;
    }
    if (read != ELEMENTS_READ) {
        KV_GenerateLog(module, KV_SOURCE_FILE, __LINE__, "Elements to disinfect file [%s] could not be open.",
                       path.c_str());
        RaiseErrorReport(0, L"Error reading file of elements to disinfect", 0);
        return kDisinfectionFailed;
    }

    int result = AddElements(list, elements);
    if (result != 0) {
        KV_GenerateLog(module, KV_SOURCE_FILE, __LINE__, "Error %d Initializing Analizable Item List", result);
        RaiseErrorReport(0, L"Error Initializing Analizable Item List", 0);
        return kDisinfectionFailed;
    }

    result = configureDisinfection(system);
    if (result != 0) {
        KV_GenerateLog(module, KV_SOURCE_FILE, __LINE__, "Error %d configuring analysis", result);
        RaiseErrorReport(0, L"Error Configuring Scanner", 0);
        return kDisinfectionFailed;
    }

    result = RunAnalysis(system, list);
    if (result != 0) {
        KV_GenerateLog(module, KV_SOURCE_FILE, __LINE__, "analysisSystem.analyse returned %d", result);
        return result;
    }
    return 0;
}

} // namespace

int DoMalwareDisinfection()
{
    AdapterState& state = Adapter();
    KV_SCOPE(state.module(), "DoMalwareDisinfection()");
    PrepareDisinfection();
    // The same texts as the scans' ("caught int exception in DoMalwareScan :%i" and the others).
    return RunGuarded("DoMalwareScan", RunDisinfection);
}
