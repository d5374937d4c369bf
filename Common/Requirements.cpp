#include "Requirements.h"

#include <windows.h>

#include <cwchar>

int EffectiveProcessorLevel(uint16_t architecture, uint16_t level, uint32_t type)
{
    if (architecture == PROCESSOR_ARCHITECTURE_IA64 || architecture == PROCESSOR_ARCHITECTURE_AMD64)
        return 1;
    if (level != 0)
        return level;
    if (type == PROCESSOR_INTEL_386)
        return 3;
    if (type == PROCESSOR_INTEL_486)
        return 4;
    return type > PROCESSOR_INTEL_486 ? 5 : 0;
}

RequirementFlags EvaluateRequirements(const RequirementFacts& facts, bool checkOs)
{
    RequirementFlags flags;
    flags.memory = !facts.memoryKnown || BytesToMb(facts.totalMemoryBytes) < REQ_MIN_MEMORY_MB;
    flags.disk = !facts.diskKnown || BytesToMb(facts.freeDiskBytes) < REQ_MIN_DISK_MB;
    bool is64 = facts.processorArchitecture == PROCESSOR_ARCHITECTURE_IA64 ||
                facts.processorArchitecture == PROCESSOR_ARCHITECTURE_AMD64;
    int level = EffectiveProcessorLevel(facts.processorArchitecture, facts.processorLevel, facts.processorType);
    flags.processor = facts.processorMhz < REQ_MIN_PROCESSOR_MHZ || (!is64 && level < int(REQ_MIN_PROCESSOR_LEVEL));
    flags.browser = facts.browserMajor < int(REQ_MIN_BROWSER_MAJOR);
    if (checkOs) {
        flags.os = facts.osType >= 0 && facts.osType <= 4;
        bool nt4 = facts.osType == 3 || facts.osType == 4;
        flags.servicePack = nt4 && _stricmp(facts.servicePack.c_str(), "Service Pack 6") != 0;
    }
    return flags;
}

std::wstring DiskRootOf(const std::wstring& folder)
{
    if (folder.size() >= 2 && folder[1] == L':')
        return folder.substr(0, 2) + L"\\";
    if (folder.size() > 2 && folder[0] == L'\\' && folder[1] == L'\\') {
        size_t server = folder.find(L'\\', 2);
        if (server == std::wstring::npos || server == 2)
            return std::wstring();
        size_t share = folder.find(L'\\', server + 1);
        if (share == server + 1)
            return std::wstring();
        return folder.substr(0, share) + L"\\";
    }
    return std::wstring();
}

uint64_t ClusterBytes(uint32_t sectorsPerCluster, uint32_t bytesPerSector, uint32_t freeClusters)
{
    return uint64_t(sectorsPerCluster) * bytesPerSector * freeClusters;
}

void MeasureMemory(const RequirementProbes& probes, RequirementFacts& facts)
{
    facts.memoryKnown = probes.totalMemory(&facts.totalMemoryBytes);
}

void MeasureDisk(const RequirementProbes& probes, const std::wstring& folder, RequirementFacts& facts)
{
    std::wstring root = DiskRootOf(folder);
    facts.diskKnown = !root.empty() && probes.freeDiskSpace(root, &facts.freeDiskBytes);
}

void MeasureProcessor(const RequirementProbes& probes, RequirementFacts& facts)
{
    if (!probes.registryMhz(&facts.processorMhz))
        facts.processorMhz = probes.measureMhz();
    probes.processorInfo(&facts.processorArchitecture, &facts.processorLevel, &facts.processorType);
}

void MeasureBrowser(const RequirementProbes& probes, RequirementFacts& facts)
{
    if (!probes.browserMajor(&facts.browserMajor))
        facts.browserMajor = -1;
}

void MeasureAll(const RequirementProbes& probes, const std::wstring& folder, RequirementFacts& facts)
{
    MeasureMemory(probes, facts);
    MeasureDisk(probes, folder, facts);
    MeasureProcessor(probes, facts);
    MeasureBrowser(probes, facts);
}
