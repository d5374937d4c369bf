// What ZoScan.dll keeps between calls: the settings of an analysis system and the items of a list, both
// copied out of the caller's memory when they are given (the caller reuses its buffers).
#pragma once

#include "QelSig.h"
#include "ZoScanRecords.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct AnalysisSettings {
    std::map<uint32_t, uintptr_t> values;       // plain settings as given
    std::vector<std::string> excludedFolders;   // ZOSCAN_CFG_EXCLUDE_FOLDERS_LIST
    std::vector<std::string> excludedExtensions;
    uint8_t machineId[16] = {};
    ZoScanCallback callback = nullptr;
    void* communicationsObject = nullptr;

    uintptr_t Get(uint32_t item, uintptr_t fallback) const
    {
        auto it = values.find(item);
        return it == values.end() ? fallback : it->second;
    }
    bool On(uint32_t item) const { return Get(item, 1) != 0; }
};

struct ScanItem {
    uint32_t kind = 0;
    std::string path;             // ANSI, path and network-drive items
    uint32_t option = 0;
    std::vector<uint8_t> data;    // detection items: the engine's detection data
    uint32_t malwareType = 0;
    uint32_t malwareSubType = 0;
};

struct ScanSystem {
    std::string folder;           // where Qel.sig was loaded from
    std::string installationId;
    std::string appRefVersion;
    qelsig::SignatureSet signatures;
    AnalysisSettings settings;
};

// Runs one analysis over the items; calls the configured callback on this thread. 0, or
// ZOSCAN_RESULT_STOPPED when the progress callback asked to stop.
int RunAnalysis(const ScanSystem& system, const std::vector<ScanItem>& items);

// The name of a setting for the journal ("ZOSCAN_CFG_..."), or nullptr for an unknown item.
const char* SettingName(uint32_t item);
