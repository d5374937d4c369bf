// The analysis results: report entries, filtered elements, the restart-needed flag, statistics.

#include "DetectionHandling.h"

#include "AdapterState.h"
#include "Base64.h"
#include "KVLog.h"
#include "ScanHooks.h"
#include "ScanResultData.h"
#include "ScopeLogger.h"
#include "TessalyConfig.h"
#include "TextHelpers.h"

#include <cstring>

namespace {

enum class Mode { Audit, Intensive, Disinfection };

// The action code of a detection; a reboot-pending element sets the restart-needed flag.
uint32_t TakeAction(const ZoDetectionNode& detection, const ZoElementRecord& element)
{
    AdapterState& state = Adapter();
    TessalyConfig& config = *state.config;
    if (element.rebootPending)
        config.restartNeeded = true;
    if (config.disinfection) {
        const char* name = detection.name ? detection.name : "";
        if (element.rebootPending)
            KV_GenerateLog(state.module(), KV_SOURCE_FILE, __LINE__, "Reboot needed to disinfect the element [%s]", name);
        else
            KV_GenerateLog(state.module(), KV_SOURCE_FILE, __LINE__, "Reboot NOT needed to disinfect the element [%s]",
                           name);
    }
    return ActionCode(detection.resultCode, element.rebootPending);
}

void WriteFiltered(const ReportEntry& entry, const ZoElementRecord& element, const std::string& base64)
{
    AdapterState& state = Adapter();
    if (!state.filtered.isOpen()) {
        std::wstring path = FilteredElementsPath(*state.config);
        std::string guid = state.results ? state.results->analysisGuid : std::string();
        // The first filtered element of the run replaces an old file; later openings append to ours.
        bool open = state.filteredCreated ? state.filtered.OpenForAppend(path, guid) : state.filtered.Create(path, guid);
        if (!open)
            return; // dropped; the next filtered element tries again
        state.filteredCreated = true;
    }
    FilteredElement record;
    std::memcpy(record.md5, element.md5, 16);
    record.path = entry.elementPath;
    record.reference = base64;
    record.wasRunning = entry.wasRunning;
    record.location = entry.location;
    record.hidden = entry.hidden;
    state.filtered.Append(record);
}

void Report(const ReportEntry& entry)
{
    if (Adapter().results)
        Adapter().results->AddReport(entry);
}

// Entries inside a container whose action failed wait for the container's own result.
void ReportOrWait(const ReportEntry& entry, const ZoElementRecord& element)
{
    AdapterState& state = Adapter();
    if (state.config->disinfection && entry.action == REPORT_ACTION_NONE && element.elementType == 8)
        state.waiting.push_back(entry);
    else
        Report(entry);
}

void Statistics(const ZoResultRecord* result)
{
    AdapterState& state = Adapter();
    if (!state.config->generateStatistics)
        return;
    ScanHooks& hooks = Hooks();
    if (state.mailAnalysis) {
        if (hooks.statAddResultToDisk)
            hooks.statAddResultToDisk(result);
    } else if (hooks.statAddResult) {
        hooks.statAddResult(result);
    }
}

void HandleResult(const ZoResultRecord* result, Mode mode)
{
    AdapterState& state = Adapter();
    TessalyConfig& config = *state.config;
    if (result->detections > 0 && result->first && result->element) {
        const ZoDetectionNode& detection = *result->first;
        const ZoElementRecord& element = *result->element;
        bool filtered = detection.malwareType == ZOSCAN_MALWARE_FILTERED && mode != Mode::Disinfection;

        if (detection.malwareType != ZOSCAN_MALWARE_FILTERED && config.maxNumDetections > 0) {
            ++state.detectionCount;
            if (state.detectionCount > config.maxNumDetections) {
                // Nothing is recorded, but a restart the engine needs is still a restart.
                if (element.rebootPending)
                    config.restartNeeded = true;
                return;
            }
        }

        ReportEntry& entry = state.current;
        entry = ReportEntry();
        entry.md5 = DigestText(element.md5);
        entry.malwareType = MalwareTypeCode(detection.malwareType, detection.subType);
        if (detection.hidden) {
            KV_GenerateLog(state.module(), KV_SOURCE_FILE, __LINE__, "Hidden element");
            entry.hidden = 1;
        }
        entry.action = TakeAction(detection, element);
        entry.location = LocationCode(element.location, element.elementType, entry.wasRunning);
        if (detection.name)
            entry.malwareName = detection.name;
        entry.malwareId = entry.malwareType == REPORT_TYPE_HEURISTIC
                              ? std::string("0.0")
                              : "0." + std::to_string(static_cast<int>(detection.malwareNumber));
        if (element.path && *element.path)
            entry.elementPath = ResolveElementPath(element.path);
        std::string base64 = Base64Encode(result->extraData, result->extraData ? result->extraLength : 0);

        if (filtered) {
            WriteFiltered(entry, element, base64);
        } else {
            entry.referenceText = ReferenceText(detection.malwareType, detection.subType, base64);
            bool heuristic = entry.malwareType == REPORT_TYPE_HEURISTIC;
            switch (mode) {
            case Mode::Audit:
                if (!heuristic)
                    ReportOrWait(entry, element);
                else if (state.currentSensitivity != HEURISTIC_OFF)
                    Report(entry);
                break;
            case Mode::Intensive:
                if (config.analysisKinds & ANALYSIS_ALL_DISKS) {
                    if (heuristic)
                        Report(entry); // the disk analysis reports the others
                } else if (!heuristic) {
                    ReportOrWait(entry, element);
                } else if (config.diskHeuristicSensitivity != HEURISTIC_OFF) {
                    Report(entry);
                }
                break;
            case Mode::Disinfection:
                if (heuristic)
                    Report(entry);
                else
                    ReportOrWait(entry, element);
                break;
            }
        }

        // The container's own result gives its action to the entries that waited for it.
        if (config.disinfection && element.elementType == ZOSCAN_ELEMENT_CONTAINER && result->detections == 1 &&
            !state.waiting.empty()) {
            uint32_t action = TakeAction(detection, element);
            std::vector<ReportEntry> waiting;
            waiting.swap(state.waiting);
            for (ReportEntry& w : waiting) {
                w.action = action;
                Report(w);
            }
        }
    }
    Statistics(result);
}

} // namespace

void auditResultHandler(const ZoResultRecord* result)
{
    HandleResult(result, Mode::Audit);
}

void intensiveResultHandler(const ZoResultRecord* result)
{
    HandleResult(result, Mode::Intensive);
}

void disinfectionResultHandler(const ZoResultRecord* result)
{
    HandleResult(result, Mode::Disinfection);
}

void FlushWaitingEntries()
{
    AdapterState& state = Adapter();
    std::vector<ReportEntry> waiting;
    waiting.swap(state.waiting);
    for (const ReportEntry& entry : waiting)
        Report(entry);
}
