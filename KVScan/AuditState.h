// State of the audit run shared by the work thread, the program threads and the scan thread.
// Written by one thread and read by others, hence atomics. The engine adapter's own run state
// (stop request, time-out, detections) is Adapter() of the engine adapter.
#pragma once

#include <atomic>

struct AuditState {
    // A program of the chain (or the scanner's own analysis) needs a restart of the computer to
    // complete a disinfection; the work thread acts on it at the end of the run.
    std::atomic<bool> restartNeeded{false};
    // False once the scan thread found no "qel.sig" in the program folder.
    std::atomic<bool> signatureFilePresent{true};
    // True while the quarantine element manager is initialised: suspicious files may appear and the work
    // thread sends them periodically.
    std::atomic<bool> newSuspiciousFiles{false};
    // The run's overall percentage 0..100: written by the progress window only, read by the progress
    // thread for the progress file. Stays 0 when no window is shown.
    volatile long runPercentage = 0;
};

AuditState& Audit();

// The scanner's own analysis, run by the program chain for the entry "KVScan.exe" (in a thread of this
// process). 0 finished; 6 finished and a restart is needed to complete a disinfection; 5501 the shared
// memory for the mail scanner could not be made; 1 an exception while releasing it.
int RunScan(void* instance);
