// The periodic progress writer: rewrites the progress file whenever the run's percentage changes.
#pragma once

#include "ProgressRecord.h"

#include <windows.h>

typedef int (*ProgressWriter)(const ProgressRecord& record);

struct ProgressThreadState {
    ProgressRecord record;                    // the thread's own copy
    const volatile LONG* percentage = nullptr; // the run's percentage, 0..100
    ProgressWriter write = nullptr;           // folder or FTP writer
    DWORD intervalMs = 5000;
    HANDLE stopEvent = nullptr;               // manual-reset; set by StopProgressThread
    volatile LONG stopped = 0;
};

// Thread procedure; parameter is a ProgressThreadState. Ends at once when the record's size field is not
// 1352 (no folder or FTP destination). Every write happens under the progress lock after the stop flag
// has been re-checked, so no write of this thread can follow StopProgressThread.
DWORD WINAPI ProgressThread(void* parameter);

// Sets the stop flag under the progress lock and waits for the thread at most waitMs.
void StopProgressThread(ProgressThreadState& state, HANDLE thread, DWORD waitMs);
