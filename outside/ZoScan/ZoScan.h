// The engine's scanning interface, ZoScan.dll (stdcall, undecorated names). Callers load it by name and
// reach it through a table of these entry points; records and values are in ZoScanRecords.h.
#pragma once

#include "ZoScanRecords.h"

#include <cstdint>

#ifdef __cplusplus
extern "C" {
#endif

typedef void* ZoScanHandle; // analysis system or item list; 0 is a failure

int __stdcall ZOScan_InitializeAPI(uint32_t interfaceVersion);
uint32_t __stdcall ZOScan_GetCurrentVersion(void);
ZoScanHandle __stdcall ZOScan_CreateAnalizableItemsList(void);
int __stdcall ZOScan_FreeAnalizableItemsList(ZoScanHandle list);
int __stdcall ZOScan_AddAnalizableItem(ZoScanHandle list, uint32_t kind, const void* record);
ZoScanHandle __stdcall ZOScan_InitializeAnalysisSystem(const ZoScanSystemRecord* record);
int __stdcall ZOScan_FreeAnalysisSystem(ZoScanHandle system);
int __stdcall ZOScan_Analyse(ZoScanHandle system, ZoScanHandle list);
int __stdcall ZOScan_GetLastError(ZoScanHandle handle);
int __stdcall ZOScan_ConfigureAnalysis(ZoScanHandle system, uint32_t item, uintptr_t value);

typedef int(__stdcall* ZOScan_InitializeAPI_t)(uint32_t);
typedef uint32_t(__stdcall* ZOScan_GetCurrentVersion_t)(void);
typedef ZoScanHandle(__stdcall* ZOScan_CreateAnalizableItemsList_t)(void);
typedef int(__stdcall* ZOScan_FreeAnalizableItemsList_t)(ZoScanHandle);
typedef int(__stdcall* ZOScan_AddAnalizableItem_t)(ZoScanHandle, uint32_t, const void*);
typedef ZoScanHandle(__stdcall* ZOScan_InitializeAnalysisSystem_t)(const ZoScanSystemRecord*);
typedef int(__stdcall* ZOScan_FreeAnalysisSystem_t)(ZoScanHandle);
typedef int(__stdcall* ZOScan_Analyse_t)(ZoScanHandle, ZoScanHandle);
typedef int(__stdcall* ZOScan_GetLastError_t)(ZoScanHandle);
typedef int(__stdcall* ZOScan_ConfigureAnalysis_t)(ZoScanHandle, uint32_t, uintptr_t);

#ifdef __cplusplus
}
#endif
