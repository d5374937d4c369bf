// Calls from the analysis into parts of the program that are not the engine adapter's: the mail
// scanner's shared progress block, the progress window and the statistics library. Each entry may be
// null (that part is absent in this program); the program fills the table before its first analysis.
#pragma once

#include <cstdint>

struct ScanHooks {
    // --- Shared progress block of the mail analysis (KVMailScan) ---
    // True while the block is open.
    bool (*mailBlockOpen)() = nullptr;
    // The stop-request word written by the scanner; 1 asks the mail analysis to stop.
    uint32_t (*mailStopRequest)() = nullptr;
    // The item being analysed (ANSI, at most 259 characters), then the status word, then the percent.
    void (*mailProgress)(const char* item, uint32_t status, uint32_t percent) = nullptr;
    // The totals of the finished mail analysis.
    void (*mailTotals)(unsigned long elements, unsigned long files, unsigned long messages) = nullptr;

    // --- Progress window (KVScan) ---
    void (*progressItem)(const char* item) = nullptr;
    void (*progressPercent)(uint32_t percent) = nullptr;

    // --- Statistics library ---
    void (*statSetHeuristicInfo)(int level, unsigned mode) = nullptr;
    void (*statAddResult)(const void* resultRecord) = nullptr;
    void (*statAddResultToDisk)(const void* resultRecord) = nullptr;
    void (*statInitDiskStats)(const char* statisticsFolder) = nullptr;
    void (*statFinalizeDiskStats)() = nullptr;
};

// The program's table.
ScanHooks& Hooks();
