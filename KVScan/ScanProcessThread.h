// The entry "KVScan.exe" of the program chain: the scanner's own analysis (RunScan) in a thread of this
// process, with the two inventory threads beside it (not in disinfection runs).
#pragma once

#include <windows.h>

// What the scanner's own entry calls. The defaults are the real analysis and inventory threads; unit
// tests put their own in.
struct ScanProcessCalls {
    int (*runScan)(void* instance);
    unsigned(__stdcall* systemInformation)(void* unused);
    unsigned(__stdcall* protectionsCheck)(void* unused);
    // After a time-out of the entry the analysis is asked to stop (Adapter().stopRequested) and given
    // this long to end; it is never terminated, since it holds the engine and the result documents.
    DWORD stopGraceMs;
};

extern ScanProcessCalls g_scanProcess;

// Starts ScanProcessThread with the context and the entry's time-out (ms); the handle, or null.
HANDLE StartScanProcessThread(void* context, DWORD timeoutMs);

// The thread body; its exit code is RunScan's result. arg is owned by the thread.
unsigned __stdcall ScanProcessThread(void* arg);
