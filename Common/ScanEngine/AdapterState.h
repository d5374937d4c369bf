// Run state of the engine adapter shared by the setting sequences, the scans, their callbacks and the
// detection handling. One instance per program (Adapter()).
//
// What a program does around its analyses:
//   - BindAdapter with its configuration, result holder and braced machine identifier, once;
//   - qemClientId = the quarantine element manager's client identifier, once it is initialised;
//   - fill Hooks() (ScanHooks.h) for the parts it has: progress window, mail block, statistics;
//   - clear stopRequested when its scan thread starts; set it (InterlockedExchange) to stop;
//   - read timedOut at the end (an analysis ended by the engine's time-out) and
//     config->restartNeeded (a detection needs a restart);
//   - OpenFilteredElementsForAppend / CloseFilteredElements around another program's use of
//     "fSuspInfo.dat" and when the analyses end.
#pragma once

#include "FilteredElements.h"
#include "ReportEntry.h"

#include <windows.h>

#include <cstdint>
#include <exception>
#include <string>
#include <vector>

class TessalyConfig;
class ScanResultData;

struct AdapterState {
    TessalyConfig* config = nullptr;
    ScanResultData* results = nullptr;
    std::string machineId;      // braced MUID
    uintptr_t qemClientId = 0;  // from the quarantine element manager
    void* commObject = nullptr; // the communications object while a scan runs

    // Heuristic sensitivity of the current analysis (the last memory, disk or mail analysis).
    int currentSensitivity = 0;
    // Program-wide stop flag: set by stop requests, a time-out or a mail cancel request; cleared by the
    // scan thread when it starts.
    volatile LONG stopRequested = 0;
    bool timeoutReported = false;  // per analysis
    volatile LONG timedOut = 0;    // program-wide
    int detectionCount = 0;        // for MaxNumDetections, per analysis
    bool mailAnalysis = false;     // the running analysis is a mail analysis

    ReportEntry current;               // the entry being filled
    std::vector<ReportEntry> waiting;  // entries inside a container waiting for the container's result
    FilteredElementsFile filtered;     // "fSuspInfo.dat"
    bool filteredCreated = false;      // created in this run: later openings append

    // An exception caught inside a callback, rethrown once the engine call has returned.
    std::exception_ptr pending;

    const char* module() const;
};

AdapterState& Adapter();

// Binds the program's objects (once, before the first analysis).
void BindAdapter(TessalyConfig& config, ScanResultData& results, const std::string& machineId);

// The run's filtered-elements file for the programs: opened for appending (created with its header
// when there is none) before an analysis whose program did not create it, e.g. the mail scanner's or
// the scanner's after the mail scanner has run; closed when the analyses end or another program is
// to append. Later filtered elements of the run append to it instead of replacing it.
bool OpenFilteredElementsForAppend();
void CloseFilteredElements();

// Rethrows an exception kept by a callback, if any.
void RethrowPending();
