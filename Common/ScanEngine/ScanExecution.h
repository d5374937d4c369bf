// One analysis through the engine: memory, disk (or a path) and mail with DoMalwareScan, the configured
// intensive paths with DoIntensiveMalwareScan. Both return 0 on success (a stopped analysis included)
// or the code of what failed.
#pragma once

#include "AnalyzableItemsList.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class AnalysisSystem;

// One analysable item: the kind, and for path kinds the ANSI path and the option.
struct ScanItem {
    uint32_t kind = 0;
    std::string path;
    uint32_t option = 0;
};

// The items of a memory, disk or mail analysis, from the configuration.
std::vector<ScanItem> MalwareScanItems(bool mail, bool memory);
// The items of the intensive analysis: one path item per configured entry ("|s" cut off on a copy).
std::vector<ScanItem> IntensiveScanItems();
// Adds the items in order; 0 or the first non-zero result.
int AddScanItems(AnalyzableItemsList& list, const std::vector<ScanItem>& items);

// Runs the analysis from the program's folder: 0 or the engine's result. An exception kept by a callback
// is rethrown; then the waiting container entries are reported and the end-of-analysis step runs.
int RunAnalysis(AnalysisSystem& system, AnalyzableItemsList& list);

// Runs a scan's steps; an int, DWORD, LONG or Win32Exception thrown by them is logged ("caught ...
// exception in <function>" for an int, "in DoMalwareScan" otherwise), reported as an error record
// (code 0, flag 1) and returned as its value.
int RunGuarded(const char* function, const std::function<int()>& scan);

int DoMalwareScan(bool mail, bool memory);
int DoIntensiveMalwareScan();
