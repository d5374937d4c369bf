// Tables of entry points of the outside engine libraries, loaded by name from the program's folder.
//
// A table class is an EngineLibrary (the loaded module) followed by its entries in a fixed order; every
// entry resolves its export when it is constructed, so a table either has all entries or does not exist
// (a missing library or export throws Win32Exception and the library is freed again).
#pragma once

#include "Win32Exception.h"

#include "ZoScan.h"
#include "zokas.h"

#include <windows.h>

#include <cstdint>

class EngineFunction;

class EngineLibrary {
public:
    // folder may be null or empty (the file name alone is loaded). A folder whose length plus the file
    // name's length plus one exceeds MAX_PATH throws error 87 without touching the file system.
    EngineLibrary(const char* folder, const char* fileName);
    virtual ~EngineLibrary();
    // The address of the entry's export; throws Win32Exception with the last error when it is missing.
    virtual void* resolve(const EngineFunction& function);

    HMODULE module() const { return module_; }

    EngineLibrary(const EngineLibrary&) = delete;
    EngineLibrary& operator=(const EngineLibrary&) = delete;

protected:
    HMODULE module_ = nullptr;
};

class EngineFunction {
public:
    virtual ~EngineFunction() = default;
    virtual void setAddress(void* address) { address_ = address; }
    virtual const char* name() const = 0;

    void* address() const { return address_; }

protected:
    explicit EngineFunction(EngineLibrary& owner) : owner_(owner) {}
    // Called by each entry's constructor, once its name() is reachable.
    void bind() { setAddress(owner_.resolve(*this)); }

    EngineLibrary& owner_;
    void* address_ = nullptr;
};

// One entry: a class whose name() is the export name; call() gives the typed address.
#define KV_ENGINE_FUNCTION(Export, Type)                                                            \
    class Export##_Entry final : public EngineFunction {                                            \
    public:                                                                                         \
        explicit Export##_Entry(EngineLibrary& owner) : EngineFunction(owner) { bind(); }           \
        const char* name() const override { return #Export; }                                       \
        Type call() const { return reinterpret_cast<Type>(address_); }                              \
    };

// Entry points the programs never call: only their presence is required.
typedef int(__cdecl* UnusedEngineCall_t)(void);

// zokas.dll (cdecl): the entry-point types come from zokas.h.

KV_ENGINE_FUNCTION(AS_InitializeAnalysisSystem, AS_InitializeAnalysisSystem_t)
KV_ENGINE_FUNCTION(AS_FreeAnalysisSystem, AS_FreeAnalysisSystem_t)
KV_ENGINE_FUNCTION(AS_SetConfigString, UnusedEngineCall_t)
KV_ENGINE_FUNCTION(AS_GetConfigString, UnusedEngineCall_t)
KV_ENGINE_FUNCTION(AS_VFOpen, UnusedEngineCall_t)
KV_ENGINE_FUNCTION(AS_VFClose, UnusedEngineCall_t)
KV_ENGINE_FUNCTION(AS_VFCopy, UnusedEngineCall_t)
KV_ENGINE_FUNCTION(AS_VFMove, UnusedEngineCall_t)
KV_ENGINE_FUNCTION(AS_VFDelete, UnusedEngineCall_t)
KV_ENGINE_FUNCTION(AS_VFRename, UnusedEngineCall_t)
KV_ENGINE_FUNCTION(AS_VFFilelength, UnusedEngineCall_t)
KV_ENGINE_FUNCTION(AS_VFSeek, UnusedEngineCall_t)
KV_ENGINE_FUNCTION(AS_VFTell, UnusedEngineCall_t)
KV_ENGINE_FUNCTION(AS_VFRead, UnusedEngineCall_t)
KV_ENGINE_FUNCTION(AS_VFWrite, UnusedEngineCall_t)
KV_ENGINE_FUNCTION(AS_VFChSize, UnusedEngineCall_t)
KV_ENGINE_FUNCTION(AS_VFSetInfoInt, UnusedEngineCall_t)
KV_ENGINE_FUNCTION(AS_VFGetInfoInt, UnusedEngineCall_t)
KV_ENGINE_FUNCTION(AS_VFSetInfoString, UnusedEngineCall_t)
KV_ENGINE_FUNCTION(AS_VFGetInfoString, UnusedEngineCall_t)
KV_ENGINE_FUNCTION(AS_VFGetLastError, UnusedEngineCall_t)
KV_ENGINE_FUNCTION(AS_UpdateSystem, UnusedEngineCall_t)
KV_ENGINE_FUNCTION(AS_Utility, UnusedEngineCall_t)
KV_ENGINE_FUNCTION(AS_VFSetConfigInt, UnusedEngineCall_t)
KV_ENGINE_FUNCTION(AS_VFStripConfidentialInformation, UnusedEngineCall_t)
KV_ENGINE_FUNCTION(MDFS_InitializeMalwareDefinitionFileSubsystem, MDFS_InitializeMalwareDefinitionFileSubsystem_t)
KV_ENGINE_FUNCTION(MDFS_FreeMalwareDefinitionFileSubsystem, MDFS_FreeMalwareDefinitionFileSubsystem_t)
KV_ENGINE_FUNCTION(MDFS_GetInfoInt, MDFS_GetInfoInt_t)
KV_ENGINE_FUNCTION(MDFS_GetInfoString, MDFS_GetInfoString_t)
KV_ENGINE_FUNCTION(MDFS_GetLastError, MDFS_GetLastError_t)
KV_ENGINE_FUNCTION(MDFS_UpdateSignatureFile, MDFS_UpdateSignatureFile_t)
KV_ENGINE_FUNCTION(MDFS_SetInfoInt, UnusedEngineCall_t)
KV_ENGINE_FUNCTION(MDFS_SetInfoString, UnusedEngineCall_t)
KV_ENGINE_FUNCTION(MDFS_SetConfigInt, UnusedEngineCall_t)
KV_ENGINE_FUNCTION(MDFS_SetConfigString, UnusedEngineCall_t)
KV_ENGINE_FUNCTION(ZOScan_InitializeAPI, ZOScan_InitializeAPI_t)
KV_ENGINE_FUNCTION(ZOScan_GetCurrentVersion, ZOScan_GetCurrentVersion_t)
KV_ENGINE_FUNCTION(ZOScan_CreateAnalizableItemsList, ZOScan_CreateAnalizableItemsList_t)
KV_ENGINE_FUNCTION(ZOScan_FreeAnalizableItemsList, ZOScan_FreeAnalizableItemsList_t)
KV_ENGINE_FUNCTION(ZOScan_AddAnalizableItem, ZOScan_AddAnalizableItem_t)
KV_ENGINE_FUNCTION(ZOScan_InitializeAnalysisSystem, ZOScan_InitializeAnalysisSystem_t)
KV_ENGINE_FUNCTION(ZOScan_FreeAnalysisSystem, ZOScan_FreeAnalysisSystem_t)
KV_ENGINE_FUNCTION(ZOScan_Analyse, ZOScan_Analyse_t)
KV_ENGINE_FUNCTION(ZOScan_GetLastError, ZOScan_GetLastError_t)
KV_ENGINE_FUNCTION(ZOScan_ConfigureAnalysis, ZOScan_ConfigureAnalysis_t)
KV_ENGINE_FUNCTION(FSS_InitializeFileScanningSubsystem, FSS_InitializeFileScanningSubsystem_t)
KV_ENGINE_FUNCTION(FSS_FreeFileScanningSubsystem, FSS_FreeFileScanningSubsystem_t)
KV_ENGINE_FUNCTION(FSS_FindFirstDir, UnusedEngineCall_t)
KV_ENGINE_FUNCTION(FSS_FindNextDir, UnusedEngineCall_t)
KV_ENGINE_FUNCTION(FSS_FindCloseDir, UnusedEngineCall_t)
KV_ENGINE_FUNCTION(FSS_FindFirstPacked, UnusedEngineCall_t)
KV_ENGINE_FUNCTION(FSS_FindNextPacked, UnusedEngineCall_t)
KV_ENGINE_FUNCTION(FSS_FindClosePacked, UnusedEngineCall_t)
KV_ENGINE_FUNCTION(FSS_FindFirstHTML, UnusedEngineCall_t)
KV_ENGINE_FUNCTION(FSS_FindNextHTML, UnusedEngineCall_t)
KV_ENGINE_FUNCTION(FSS_FindCloseHTML, UnusedEngineCall_t)
KV_ENGINE_FUNCTION(FSS_FindFirstMIME, UnusedEngineCall_t)
KV_ENGINE_FUNCTION(FSS_FindNextMIME, UnusedEngineCall_t)
KV_ENGINE_FUNCTION(FSS_FindCloseMIME, UnusedEngineCall_t)
KV_ENGINE_FUNCTION(FSS_MIMEReplace, UnusedEngineCall_t)
KV_ENGINE_FUNCTION(FSS_MIMEContentReplace, UnusedEngineCall_t)
KV_ENGINE_FUNCTION(FSS_MIMERead, UnusedEngineCall_t)
KV_ENGINE_FUNCTION(FSS_SetConfigInt, UnusedEngineCall_t)
KV_ENGINE_FUNCTION(FSS_SetConfigString, UnusedEngineCall_t)
KV_ENGINE_FUNCTION(FSS_GetLastError, UnusedEngineCall_t)
KV_ENGINE_FUNCTION(FSS_MIMEInsertAlert, UnusedEngineCall_t)
KV_ENGINE_FUNCTION(FSS_MIMEInsertAlertEx, UnusedEngineCall_t)

// zokas.dll, the analysis system: 25 entries (the programs call the first two).
class NucleoMainDll : public EngineLibrary {
public:
    explicit NucleoMainDll(const char* folder)
        : EngineLibrary(folder, "zokas.dll"),
          AS_InitializeAnalysisSystem(*this), AS_FreeAnalysisSystem(*this), AS_SetConfigString(*this),
          AS_GetConfigString(*this), AS_VFOpen(*this), AS_VFClose(*this), AS_VFCopy(*this), AS_VFMove(*this),
          AS_VFDelete(*this), AS_VFRename(*this), AS_VFFilelength(*this), AS_VFSeek(*this), AS_VFTell(*this),
          AS_VFRead(*this), AS_VFWrite(*this), AS_VFChSize(*this), AS_VFSetInfoInt(*this),
          AS_VFGetInfoInt(*this), AS_VFSetInfoString(*this), AS_VFGetInfoString(*this),
          AS_VFGetLastError(*this), AS_UpdateSystem(*this), AS_Utility(*this), AS_VFSetConfigInt(*this),
          AS_VFStripConfidentialInformation(*this)
    {
    }

    AS_InitializeAnalysisSystem_Entry AS_InitializeAnalysisSystem;
    AS_FreeAnalysisSystem_Entry AS_FreeAnalysisSystem;
    AS_SetConfigString_Entry AS_SetConfigString;
    AS_GetConfigString_Entry AS_GetConfigString;
    AS_VFOpen_Entry AS_VFOpen;
    AS_VFClose_Entry AS_VFClose;
    AS_VFCopy_Entry AS_VFCopy;
    AS_VFMove_Entry AS_VFMove;
    AS_VFDelete_Entry AS_VFDelete;
    AS_VFRename_Entry AS_VFRename;
    AS_VFFilelength_Entry AS_VFFilelength;
    AS_VFSeek_Entry AS_VFSeek;
    AS_VFTell_Entry AS_VFTell;
    AS_VFRead_Entry AS_VFRead;
    AS_VFWrite_Entry AS_VFWrite;
    AS_VFChSize_Entry AS_VFChSize;
    AS_VFSetInfoInt_Entry AS_VFSetInfoInt;
    AS_VFGetInfoInt_Entry AS_VFGetInfoInt;
    AS_VFSetInfoString_Entry AS_VFSetInfoString;
    AS_VFGetInfoString_Entry AS_VFGetInfoString;
    AS_VFGetLastError_Entry AS_VFGetLastError;
    AS_UpdateSystem_Entry AS_UpdateSystem;
    AS_Utility_Entry AS_Utility;
    AS_VFSetConfigInt_Entry AS_VFSetConfigInt;
    AS_VFStripConfidentialInformation_Entry AS_VFStripConfidentialInformation;
};

// zokas.dll again, the definition-file subsystem: 10 entries.
class NucleoMalwareDefinitionFileDll : public EngineLibrary {
public:
    explicit NucleoMalwareDefinitionFileDll(const char* folder)
        : EngineLibrary(folder, "zokas.dll"),
          MDFS_InitializeMalwareDefinitionFileSubsystem(*this),
          MDFS_FreeMalwareDefinitionFileSubsystem(*this), MDFS_GetInfoInt(*this), MDFS_GetInfoString(*this),
          MDFS_GetLastError(*this), MDFS_UpdateSignatureFile(*this), MDFS_SetInfoInt(*this),
          MDFS_SetInfoString(*this), MDFS_SetConfigInt(*this), MDFS_SetConfigString(*this)
    {
    }

    MDFS_InitializeMalwareDefinitionFileSubsystem_Entry MDFS_InitializeMalwareDefinitionFileSubsystem;
    MDFS_FreeMalwareDefinitionFileSubsystem_Entry MDFS_FreeMalwareDefinitionFileSubsystem;
    MDFS_GetInfoInt_Entry MDFS_GetInfoInt;
    MDFS_GetInfoString_Entry MDFS_GetInfoString;
    MDFS_GetLastError_Entry MDFS_GetLastError;
    MDFS_UpdateSignatureFile_Entry MDFS_UpdateSignatureFile;
    MDFS_SetInfoInt_Entry MDFS_SetInfoInt;
    MDFS_SetInfoString_Entry MDFS_SetInfoString;
    MDFS_SetConfigInt_Entry MDFS_SetConfigInt;
    MDFS_SetConfigString_Entry MDFS_SetConfigString;
};

// ZoScan.dll, the scanning interface (stdcall): 10 entries.
class ScanApiDll : public EngineLibrary {
public:
    explicit ScanApiDll(const char* folder)
        : EngineLibrary(folder, "ZoScan.dll"),
          ZOScan_InitializeAPI(*this), ZOScan_GetCurrentVersion(*this),
          ZOScan_CreateAnalizableItemsList(*this), ZOScan_FreeAnalizableItemsList(*this),
          ZOScan_AddAnalizableItem(*this), ZOScan_InitializeAnalysisSystem(*this),
          ZOScan_FreeAnalysisSystem(*this), ZOScan_Analyse(*this), ZOScan_GetLastError(*this),
          ZOScan_ConfigureAnalysis(*this)
    {
    }

    ZOScan_InitializeAPI_Entry ZOScan_InitializeAPI;
    ZOScan_GetCurrentVersion_Entry ZOScan_GetCurrentVersion;
    ZOScan_CreateAnalizableItemsList_Entry ZOScan_CreateAnalizableItemsList;
    ZOScan_FreeAnalizableItemsList_Entry ZOScan_FreeAnalizableItemsList;
    ZOScan_AddAnalizableItem_Entry ZOScan_AddAnalizableItem;
    ZOScan_InitializeAnalysisSystem_Entry ZOScan_InitializeAnalysisSystem;
    ZOScan_FreeAnalysisSystem_Entry ZOScan_FreeAnalysisSystem;
    ZOScan_Analyse_Entry ZOScan_Analyse;
    ZOScan_GetLastError_Entry ZOScan_GetLastError;
    ZOScan_ConfigureAnalysis_Entry ZOScan_ConfigureAnalysis;
};

// zokas.dll again, the file scanning subsystem (statistics only): 22 entries.
class FileScanningDll : public EngineLibrary {
public:
    explicit FileScanningDll(const char* folder)
        : EngineLibrary(folder, "zokas.dll"),
          FSS_InitializeFileScanningSubsystem(*this), FSS_FreeFileScanningSubsystem(*this),
          FSS_FindFirstDir(*this), FSS_FindNextDir(*this), FSS_FindCloseDir(*this),
          FSS_FindFirstPacked(*this), FSS_FindNextPacked(*this), FSS_FindClosePacked(*this),
          FSS_FindFirstHTML(*this), FSS_FindNextHTML(*this), FSS_FindCloseHTML(*this),
          FSS_FindFirstMIME(*this), FSS_FindNextMIME(*this), FSS_FindCloseMIME(*this),
          FSS_MIMEReplace(*this), FSS_MIMEContentReplace(*this), FSS_MIMERead(*this),
          FSS_SetConfigInt(*this), FSS_SetConfigString(*this), FSS_GetLastError(*this),
          FSS_MIMEInsertAlert(*this), FSS_MIMEInsertAlertEx(*this)
    {
    }

    FSS_InitializeFileScanningSubsystem_Entry FSS_InitializeFileScanningSubsystem;
    FSS_FreeFileScanningSubsystem_Entry FSS_FreeFileScanningSubsystem;
    FSS_FindFirstDir_Entry FSS_FindFirstDir;
    FSS_FindNextDir_Entry FSS_FindNextDir;
    FSS_FindCloseDir_Entry FSS_FindCloseDir;
    FSS_FindFirstPacked_Entry FSS_FindFirstPacked;
    FSS_FindNextPacked_Entry FSS_FindNextPacked;
    FSS_FindClosePacked_Entry FSS_FindClosePacked;
    FSS_FindFirstHTML_Entry FSS_FindFirstHTML;
    FSS_FindNextHTML_Entry FSS_FindNextHTML;
    FSS_FindCloseHTML_Entry FSS_FindCloseHTML;
    FSS_FindFirstMIME_Entry FSS_FindFirstMIME;
    FSS_FindNextMIME_Entry FSS_FindNextMIME;
    FSS_FindCloseMIME_Entry FSS_FindCloseMIME;
    FSS_MIMEReplace_Entry FSS_MIMEReplace;
    FSS_MIMEContentReplace_Entry FSS_MIMEContentReplace;
    FSS_MIMERead_Entry FSS_MIMERead;
    FSS_SetConfigInt_Entry FSS_SetConfigInt;
    FSS_SetConfigString_Entry FSS_SetConfigString;
    FSS_GetLastError_Entry FSS_GetLastError;
    FSS_MIMEInsertAlert_Entry FSS_MIMEInsertAlert;
    FSS_MIMEInsertAlertEx_Entry FSS_MIMEInsertAlertEx;
};
