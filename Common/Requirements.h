// Minimum requirements of the client: the measurements of the machine and the thresholds, shared by
// the package launcher and the scanner. The measurements go through a table of functions so that a
// test can hand in the facts of any machine.
#pragma once

#include <stdint.h>

#include <string>

enum : uint32_t {
    REQ_MIN_MEMORY_MB = 128,
    REQ_MIN_DISK_MB = 100,
    REQ_MIN_PROCESSOR_MHZ = 66,
    REQ_MIN_PROCESSOR_LEVEL = 4, // 486
    REQ_MIN_BROWSER_MAJOR = 5,
};

// What was measured. A fact that could not be measured keeps its "known" flag false and fails.
struct RequirementFacts {
    bool memoryKnown = false;
    uint64_t totalMemoryBytes = 0;
    bool diskKnown = false;
    uint64_t freeDiskBytes = 0;
    uint32_t processorMhz = 0;
    uint16_t processorArchitecture = 0; // PROCESSOR_ARCHITECTURE_*
    uint16_t processorLevel = 0;
    uint32_t processorType = 0; // PROCESSOR_INTEL_386, ...
    int browserMajor = -1;      // -1: no browser found
    int osType = 999999999;     // scanner only
    std::string servicePack;    // scanner only
};

// One flag per requirement, true when it failed.
struct RequirementFlags {
    bool processor = false;
    bool memory = false;
    bool disk = false;
    bool os = false;
    bool servicePack = false;
    bool browser = false;
    bool Any() const { return processor || memory || disk || os || servicePack || browser; }
};

// The thresholds. checkOs adds the scanner's operating-system and service-pack tests.
RequirementFlags EvaluateRequirements(const RequirementFacts& facts, bool checkOs);
// Level of the processor for the 486 test: 1 for 64-bit processors (they always pass), else the
// level field, or from the processor type when that field is 0.
int EffectiveProcessorLevel(uint16_t architecture, uint16_t level, uint32_t type);

// Where free space is measured for a folder: "C:\" for a drive path, "\\server\share\" for a UNC
// path, empty when the path has neither form.
std::wstring DiskRootOf(const std::wstring& folder);
// Free bytes from cluster figures, computed in 64 bits.
uint64_t ClusterBytes(uint32_t sectorsPerCluster, uint32_t bytesPerSector, uint32_t freeClusters);

// The measurements. Each returns false when the fact cannot be read.
struct RequirementProbes {
    bool (*totalMemory)(uint64_t* bytes);
    bool (*freeDiskSpace)(const std::wstring& root, uint64_t* bytes);
    bool (*registryMhz)(uint32_t* mhz);
    uint32_t (*measureMhz)(); // time-stamp counter over one second
    void (*processorInfo)(uint16_t* architecture, uint16_t* level, uint32_t* type);
    bool (*browserMajor)(int* major);
};
extern const RequirementProbes kSystemProbes;

// Single measurements in the order and form the programs use them.
void MeasureMemory(const RequirementProbes& probes, RequirementFacts& facts);
void MeasureDisk(const RequirementProbes& probes, const std::wstring& folder, RequirementFacts& facts);
void MeasureProcessor(const RequirementProbes& probes, RequirementFacts& facts);
void MeasureBrowser(const RequirementProbes& probes, RequirementFacts& facts);
// Memory, disk space, processor and browser.
void MeasureAll(const RequirementProbes& probes, const std::wstring& folder, RequirementFacts& facts);

// Processor name for the requirements window ("ProcessorNameString", else "Identifier").
std::wstring ProcessorName();

inline uint32_t BytesToMb(uint64_t bytes) { return static_cast<uint32_t>(bytes >> 20); }
