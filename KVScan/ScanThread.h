// The scanner's own analysis: the scan thread and the state it shares with the progress window, the
// stop watcher and the work thread.
#pragma once

#include "PhasePlan.h"

#include <atomic>
#include <string>

class ScanResultData;

enum ScanPhase { PHASE_NONE = 0, PHASE_MEMORY = 1, PHASE_INTENSIVE = 2, PHASE_DISK = 3, PHASE_MAIL = 4 };

// Run-wide analysis state; the scan thread writes everything but the stop request.
struct ScanRunState {
    PhasePlan plan;
    std::atomic<int> currentPhase{PHASE_NONE};
    std::atomic<int> progress{0}; // within the current phase
    std::atomic<bool> updating{false};
    std::atomic<bool> watcherRunning{false}; // the stop watcher's thread is in its loop
};

ScanRunState& ScanRun();
// The result holder of this program's analyses (bound to the engine adapter on first use).
ScanResultData& RunResults();

// 0, or 2 when the quarantine element manager could not be initialised.
unsigned __stdcall ScanThread(void* instance);
// The remote stop request: "stop.dat" in the program folder.
unsigned __stdcall StopWatcher(void* instance);
// Asks the watcher to end and waits for it (bounded); safe when it has ended already.
void StopStopWatcher(void* thread);

// Hands the mail scanner's "stat*.tmp" files to the statistics library, deleting each one.
// A file still open for writing by another process is left for the next pass.
void CollectStatisticsTempFiles();

// The statistics decision of a run: the line to log and whether statistics stay on.
bool DecideStatistics(bool enabled, const std::string& programFolder, std::string& logLine);
