// Process-wide, reference-counted access to ZoScan.dll: the library is loaded and its interface
// initialised by the first reference and freed with the last. Used from one thread at a time.
#pragma once

#include "EngineLibrary.h"

#include <cstdint>

class ScanApiRef {
public:
    static constexpr uint32_t kInterfaceVersion = 15134; // 0x3B1E

    // The folder ZoScan.dll is loaded from (at most 259 characters); a null path changes nothing.
    static void setFolder(const char* path);
    // First reference: loads the library and calls ZOScan_InitializeAPI. Throws Win32Exception with the
    // load error or the engine's code; a failed first reference leaves nothing loaded.
    static void acquire();
    static void release();
    // acquire, ZOScan_GetCurrentVersion, release.
    static uint32_t currentVersion();

    // The table; valid only while a reference is held.
    static ScanApiDll& dll() { return *dll_; }
    static int count() { return count_; }

private:
    static ScanApiDll* dll_;
    static int count_;
    static char folder_[MAX_PATH];
};

// Holds one reference for its lifetime.
class ScanApiHold {
public:
    ScanApiHold() { ScanApiRef::acquire(); }
    ~ScanApiHold() { ScanApiRef::release(); }
    ScanApiHold(const ScanApiHold&) = delete;
    ScanApiHold& operator=(const ScanApiHold&) = delete;
};
