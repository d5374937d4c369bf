// A list of items to analyse, kept by ZoScan.dll; holds one ScanApiRef reference for its lifetime.
#pragma once

#include "ScanApiRef.h"

class AnalyzableItemsList {
public:
    // Throws Win32Exception (the load or initialisation error, or the engine's last error when it gives no
    // handle); nothing stays referenced then.
    AnalyzableItemsList();
    ~AnalyzableItemsList();

    // The engine copies the record and what it points to.
    int add(uint32_t kind, const void* item);
    ZoScanHandle handle() const { return handle_; }

    AnalyzableItemsList(const AnalyzableItemsList&) = delete;
    AnalyzableItemsList& operator=(const AnalyzableItemsList&) = delete;

private:
    ScanApiHold hold_;
    ZoScanHandle handle_ = nullptr;
};
