// An analysis system of ZoScan.dll; holds one ScanApiRef reference for its lifetime.
#pragma once

#include "ScanApiRef.h"

#include <string>

class AnalyzableItemsList;

class AnalysisSystem {
public:
    // Both folders are the program's folder. Throws Win32Exception (the load or initialisation error, or
    // the engine's last error when it gives no handle); nothing stays referenced then.
    AnalysisSystem(const std::string& folder1, const std::string& folder2, const std::string& appRefVersion);
    ~AnalysisSystem();

    int configure(uint32_t item, uintptr_t value);
    int analyse(const AnalyzableItemsList& list);
    ZoScanHandle handle() const { return handle_; }

    AnalysisSystem(const AnalysisSystem&) = delete;
    AnalysisSystem& operator=(const AnalysisSystem&) = delete;

private:
    ScanApiHold hold_;
    ZoScanHandle handle_ = nullptr;
};
