// The analysis results: report entries, filtered elements, the restart-needed flag, statistics.

#include "DetectionHandling.h"

#include "AdapterState.h"
#include "Base64.h"
#include "KVLog.h"
#include "ScanHooks.h"
#include "ScanResultData.h"
#include "ScopeLogger.h"
#include "ShellCalls.h"
#include "TessalyConfig.h"
#include "TextHelpers.h"

#include <cstdio>
#include <cstring>

uint32_t MalwareTypeCode(uint32_t malwareType, uint32_t subType)
{
    switch (malwareType) {
    case ZOSCAN_MALWARE_VIRUS:
        if (subType == 2 || subType == 3)
            return REPORT_TYPE_WORM;
        if (subType >= 4 && subType <= 6)
            return REPORT_TYPE_TROJAN;
        return REPORT_TYPE_VIRUS;
    case ZOSCAN_MALWARE_JOKE: return 5;
    case ZOSCAN_MALWARE_DIALER: return 6;
    case ZOSCAN_MALWARE_HACKING_TOOL:
    case ZOSCAN_MALWARE_HACKING_TOOL_2: return 7;
    case ZOSCAN_MALWARE_SECURITY_RISK: return 8;
    case ZOSCAN_MALWARE_SPYWARE:
    case ZOSCAN_MALWARE_SPYWARE_2: return 4;
    case ZOSCAN_MALWARE_TRACKING_COOKIE: return 9;
    default: return REPORT_TYPE_HEURISTIC;
    }
}

uint32_t LocationCode(uint32_t locationWord, uint32_t elementType, uint32_t& wasRunning)
{
    switch (locationWord) {
    case ZOSCAN_LOCATION_SYSTEM:
        if (elementType == 1 || elementType == 2)
            return REPORT_LOCATION_REGISTRY;
        if (elementType == 9)
            return REPORT_LOCATION_COOKIE;
        if (elementType == ZOSCAN_ELEMENT_PROCESS)
            wasRunning = 1;
        return REPORT_LOCATION_FILE;
    case ZOSCAN_LOCATION_OUTLOOK: return REPORT_LOCATION_OUTLOOK;
    case ZOSCAN_LOCATION_OUTLOOK_EXPRESS: return REPORT_LOCATION_OUTLOOK_EXPRESS;
    default: return REPORT_LOCATION_FILE;
    }
}

uint32_t ActionCode(uint32_t analysisState, uint32_t rebootPending)
{
    if (rebootPending)
        return REPORT_ACTION_REBOOT_NEEDED;
    return analysisState >= ZOSCAN_STATE_DISINFECTED && analysisState <= ZOSCAN_STATE_RENAMED ? REPORT_ACTION_DONE
                                                                                             : REPORT_ACTION_NONE;
}

std::string ReferenceText(uint32_t malwareType, uint32_t subType, const std::string& base64)
{
    return std::to_string(malwareType) + ";" + std::to_string(subType) + ";" + base64;
}

std::string DigestText(const uint8_t (&md5)[16])
{
    char text[33];
    for (int i = 0; i < 16; ++i)
        snprintf(text + 2 * i, 3, "%02X", md5[i]);
    return std::string(text, 32);
}

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

// The path as the user sees it: every part after the first replaced by the shell's display name.
std::wstring DisplayPath(const std::wstring& path)
{
    const ShellCalls& shell = ShellApi();
    if (!shell.fileInfo || GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        return std::wstring();
    std::vector<std::wstring> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find(L'\\', start);
        if (end == std::wstring::npos)
            end = path.size();
        if (end > start)
            parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    if (parts.empty())
        return std::wstring();
    std::wstring unresolved = parts[0];
    std::wstring resolved = parts[0];
    for (size_t i = 1; i < parts.size(); ++i) {
        unresolved += L"\\" + parts[i];
        SHFILEINFOW info = {};
        std::wstring query = unresolved + L"\\";
        bool named = shell.fileInfo(query.c_str(), 0, &info, sizeof info, SHGFI_DISPLAYNAME) && info.szDisplayName[0];
        resolved += L"\\" + (named ? std::wstring(info.szDisplayName) : parts[i]);
    }
    return resolved;
}

// The element path of a report entry: UTF-8 straight to UTF-16, then resolved by display names, keeping
// an extension that the display name hides.
std::wstring ElementPath(const char* utf8)
{
    std::wstring path = Utf8ToWide(std::string(utf8, strnlen(utf8, 4095)));
    std::wstring resolved = DisplayPath(path);
    if (resolved.empty())
        return path;
    size_t slash = path.find_last_of(L'\\');
    std::wstring fileName = slash == std::wstring::npos ? path : path.substr(slash + 1);
    size_t dot = fileName.find_last_of(L'.');
    if (dot != std::wstring::npos) {
        std::wstring extension = fileName.substr(dot);
        if (resolved.size() < extension.size() ||
            resolved.compare(resolved.size() - extension.size(), extension.size(), extension) != 0)
            resolved += extension;
    }
    return resolved;
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
            entry.elementPath = ElementPath(element.path);
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
