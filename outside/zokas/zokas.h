// The engine's analysis system, zokas.dll (cdecl, undecorated names). Callers load it by name and reach
// it through tables of entry points in a fixed order; only the calls below do anything, every other export
// of the three families (AS_, MDFS_, FSS_) exists and answers ZOKAS_ERROR_NOT_SUPPORTED.
#pragma once

#include "ZoScanRecords.h"

#include <cstdint>

#ifdef __cplusplus
extern "C" {
#endif

typedef void* ZokasHandle; // analysis system; 0 is a failure

constexpr int ZOKAS_ERROR_NOT_SUPPORTED = 50;  // ERROR_NOT_SUPPORTED
constexpr int ZOKAS_ERROR_BAD_HANDLE = 6;      // ERROR_INVALID_HANDLE
constexpr int ZOKAS_ERROR_NOT_READY = 21;      // ERROR_NOT_READY: no definitions loaded
constexpr int ZOKAS_ERROR_BAD_ARGUMENT = 87;   // ERROR_INVALID_PARAMETER
constexpr int ZOKAS_ERROR_BROKEN_FILE = 13;    // ERROR_INVALID_DATA: a broken signature file

// Information items of the definition-file subsystem.
constexpr int ZOKAS_INFO_SET_NUMBER = 1; // integer: the signature set number; text: the same in decimal
constexpr int ZOKAS_INFO_DATE = 2;       // integer: signature date, seconds since 1970 UTC
constexpr int ZOKAS_INFO_USABLE = 3;     // integer: non-zero when usable; text: "YYYY-MM-DD hh:mm:ss"

ZokasHandle __cdecl AS_InitializeAnalysisSystem(const ZoAnalysisSystemRecord* record, const char* path, int flag);
int __cdecl AS_FreeAnalysisSystem(ZokasHandle handle);
int __cdecl MDFS_InitializeMalwareDefinitionFileSubsystem(ZokasHandle handle, const char* signaturePath, int flag);
int __cdecl MDFS_FreeMalwareDefinitionFileSubsystem(ZokasHandle handle);
int __cdecl MDFS_GetInfoInt(ZokasHandle handle, int item, int* value);
int __cdecl MDFS_GetInfoString(ZokasHandle handle, int item, char* buffer, int size);
int __cdecl MDFS_GetLastError(ZokasHandle handle);
// mode 3: updatePath is a signature file; mode 2: a ZIP archive holding "qel.sig". 0: replaced.
int __cdecl MDFS_UpdateSignatureFile(ZokasHandle handle, int mode, const char* updatePath, const char* signaturePath);
int __cdecl FSS_InitializeFileScanningSubsystem(ZokasHandle handle, int reserved1, int reserved2);
int __cdecl FSS_FreeFileScanningSubsystem(ZokasHandle handle);

typedef ZokasHandle(__cdecl* AS_InitializeAnalysisSystem_t)(const ZoAnalysisSystemRecord*, const char*, int);
typedef int(__cdecl* AS_FreeAnalysisSystem_t)(ZokasHandle);
typedef int(__cdecl* MDFS_InitializeMalwareDefinitionFileSubsystem_t)(ZokasHandle, const char*, int);
typedef int(__cdecl* MDFS_FreeMalwareDefinitionFileSubsystem_t)(ZokasHandle);
typedef int(__cdecl* MDFS_GetInfoInt_t)(ZokasHandle, int, int*);
typedef int(__cdecl* MDFS_GetInfoString_t)(ZokasHandle, int, char*, int);
typedef int(__cdecl* MDFS_GetLastError_t)(ZokasHandle);
typedef int(__cdecl* MDFS_UpdateSignatureFile_t)(ZokasHandle, int, const char*, const char*);
typedef int(__cdecl* FSS_InitializeFileScanningSubsystem_t)(ZokasHandle, int, int);
typedef int(__cdecl* FSS_FreeFileScanningSubsystem_t)(ZokasHandle);

#ifdef __cplusplus
}
#endif
