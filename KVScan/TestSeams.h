// The calls that a test must not make for real: the reboot request and the administrator answer.
// By default they are the real calls. A test replaces them with a file "KVScan.test-seams.ini"
// beside the executable whose [TestSeams] section holds "Enabled=for tests only" (no other value
// counts) and any of:
//   Administrator=yes|no      the answer of the administrator check
//   Reboot=record             a reboot request appends a line to "reboot-requests.txt" instead
//   WorkThread=wait           the work thread waits for "stop.dat" in the program folder before it ends
#pragma once

#include <windows.h>

struct SystemCalls {
    bool (*isAdministrator)();
    bool (*requestReboot)(UINT flags); // ExitWindowsEx with the shutdown privilege
    bool holdWorkThread;
};

extern SystemCalls g_system;

// Reads the test file beside the executable, if any; called once at start-up.
void LoadTestSeams(const char* programFolder);
