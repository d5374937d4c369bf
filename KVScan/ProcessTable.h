// The chain of configured programs (KVSCAN_PROCESS of the configuration, g_config.processes).
//
// The work thread starts the first entry with LaunchProgram(0, instance) and polls RunningPrograms()
// until it is 0. Each entry runs in its own thread (ExecuteThread), which starts the next entry at once
// (Wait false) or after its program has ended (Wait true), supervises the time-out and turns unexpected
// exit codes into error reports (3501, 3502). The entry "KVScan.exe" runs the scanner's own analysis in
// this process (ScanProcessThread.h). The thread handles of the entries and the running count are
// guarded by one critical section.
#pragma once

#include <windows.h>

#include <string>

// Starts the thread of entry index when 0 <= index < number of entries; otherwise does nothing (the end
// of the chain). context (the program's instance handle) is kept and handed to the scanner's own entry.
void LaunchProgram(int index, void* context);

// Number of program threads still alive.
int RunningPrograms();

// The thread body of one entry; arg is the entry index.
unsigned __stdcall ExecuteThread(void* arg);

// Under the lock: clears (and closes) the entry's thread handle and decrements the running count.
void ProgramThreadFinished(int index);

// The time-out of an entry in milliseconds: "INFINITE" (any case, blanks around it allowed) is no limit;
// a decimal number of seconds is multiplied by 1000 and clamped below INFINITE; anything else (empty,
// signs, letters) falls back to the default of 10800 seconds.
DWORD ProgramTimeoutMs(const std::wstring& text);

// Exit codes 0 to 6 are accepted silently; anything else, compared unsigned, is unknown.
inline bool IsUnknownExitCode(DWORD code)
{
    return code > 6;
}

// Error reports of the chain: 3501 "Unknown exit code executing process", 3502 "Timeout executing
// process" (flag 0), into the reports folder.
void ReportProgramError(int code, int detail, const std::string& extraText);
