#include "AnalysisSystem.h"

#include "AnalyzableItemsList.h"
#include "EngineRecords.h"

#include <vector>

AnalysisSystem::AnalysisSystem(const std::string& folder1, const std::string& folder2,
                               const std::string& appRefVersion)
{
    // The engine gets its own heap copies of the folders, freed right after the call.
    std::vector<char> copy1(folder1.begin(), folder1.end());
    std::vector<char> copy2(folder2.begin(), folder2.end());
    copy1.push_back('\0');
    copy2.push_back('\0');
    ZoScanSystemRecord record;
    FillScanSystemRecord(record, copy1.data(), copy2.data(), InstallationIdentifier(folder1), appRefVersion);
    ScanApiDll& dll = ScanApiRef::dll();
    handle_ = dll.ZOScan_InitializeAnalysisSystem.call()(&record);
    if (!handle_)
        throw Win32Exception(static_cast<unsigned long>(dll.ZOScan_GetLastError.call()(nullptr)));
}

AnalysisSystem::~AnalysisSystem()
{
    ScanApiRef::dll().ZOScan_FreeAnalysisSystem.call()(handle_);
}

int AnalysisSystem::configure(uint32_t item, uintptr_t value)
{
    return ScanApiRef::dll().ZOScan_ConfigureAnalysis.call()(handle_, item, value);
}

int AnalysisSystem::analyse(const AnalyzableItemsList& list)
{
    return ScanApiRef::dll().ZOScan_Analyse.call()(handle_, list.handle());
}
