// The texts of the two result documents: AnalysisDetails (identifiers, dates, versions, counters) and
// AnalysisData (one Report element per detection). Pure text building; files are written elsewhere.
#pragma once

#include "ReportEntry.h"
#include "ScanResultData.h"

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

// The longest MalwarePath text written, in bytes.
constexpr size_t kMaxMalwarePathBytes = 1024;

// What goes into an AnalysisDetails document. Texts are already in their final UTF-8 form except
// where noted.
struct AnalysisDetailsFacts {
    bool atStart = true; // the document of the start has no EndDate
    std::string analysisGuid;
    std::wstring auditGuid;
    std::string computerGuid;
    bool disinfection = false;
    time_t startTime = 0;
    time_t endTime = 0;
    std::wstring clientVersion;
    std::wstring engineVersion;
    std::wstring heuristicVersion;
    bool allDisks = false;
    std::string qelsigDate; // ISO 8601 text
    ScanCounters totals;
};

// false when a date cannot be written (text left empty).
bool AnalysisDetailsText(const AnalysisDetailsFacts& facts, std::string& text);

struct AnalysisDataOptions {
    std::string analysisGuid;
    bool obtainMalwarePath = false;
    bool disinfection = false; // no reference texts
};

// The Reports document of the given entries; empty when there are none.
std::string AnalysisDataText(const std::vector<const ReportEntry*>& entries, const AnalysisDataOptions& options);

// The escaped path as written: unchanged up to kMaxMalwarePathBytes, else with "/" turned into "\" and
// the middle replaced by "..." so that the last part stays. Cuts fall between characters and entities.
std::string ShortenMalwarePath(const std::string& escaped);

// The document's numbers for the internal codes.
uint32_t DocumentMalwareType(uint32_t internalType);
uint32_t DocumentLocation(uint32_t internalLocation);
uint32_t DocumentAction(uint32_t internalAction);
