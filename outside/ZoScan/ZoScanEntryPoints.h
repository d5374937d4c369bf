// The ten ZoScan.dll entry points resolved from a loaded module, for test programs and tools that drive
// the engine directly (the client's adapter keeps its own tables).
#pragma once

#include "ZoScan.h"

#include <windows.h>

struct ZoScanEntryPoints {
    ZOScan_InitializeAPI_t InitializeAPI = nullptr;
    ZOScan_GetCurrentVersion_t GetCurrentVersion = nullptr;
    ZOScan_CreateAnalizableItemsList_t CreateList = nullptr;
    ZOScan_FreeAnalizableItemsList_t FreeList = nullptr;
    ZOScan_AddAnalizableItem_t AddItem = nullptr;
    ZOScan_InitializeAnalysisSystem_t InitializeSystem = nullptr;
    ZOScan_FreeAnalysisSystem_t FreeSystem = nullptr;
    ZOScan_Analyse_t Analyse = nullptr;
    ZOScan_GetLastError_t GetLastError = nullptr;
    ZOScan_ConfigureAnalysis_t Configure = nullptr;

    // Resolves every entry; returns the name of the first missing export, or nullptr when all exist.
    const char* Resolve(HMODULE module)
    {
        struct Entry {
            const char* name;
            void** slot;
        } entries[] = {
            {"ZOScan_InitializeAPI", reinterpret_cast<void**>(&InitializeAPI)},
            {"ZOScan_GetCurrentVersion", reinterpret_cast<void**>(&GetCurrentVersion)},
            {"ZOScan_CreateAnalizableItemsList", reinterpret_cast<void**>(&CreateList)},
            {"ZOScan_FreeAnalizableItemsList", reinterpret_cast<void**>(&FreeList)},
            {"ZOScan_AddAnalizableItem", reinterpret_cast<void**>(&AddItem)},
            {"ZOScan_InitializeAnalysisSystem", reinterpret_cast<void**>(&InitializeSystem)},
            {"ZOScan_FreeAnalysisSystem", reinterpret_cast<void**>(&FreeSystem)},
            {"ZOScan_Analyse", reinterpret_cast<void**>(&Analyse)},
            {"ZOScan_GetLastError", reinterpret_cast<void**>(&GetLastError)},
            {"ZOScan_ConfigureAnalysis", reinterpret_cast<void**>(&Configure)},
        };
        for (Entry& e : entries) {
            *e.slot = reinterpret_cast<void*>(GetProcAddress(module, e.name));
            if (!*e.slot)
                return e.name;
        }
        return nullptr;
    }
};
