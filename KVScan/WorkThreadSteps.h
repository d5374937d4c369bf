// Steps shared by the full audit run (WorkThread) and the resend run (WorkThreadOnlySend).
#pragma once

#include "Delivery.h"
#include "InterruptionGuard.h"

#include <string>

// With the test seam WorkThread=wait: waits for "stop.dat" in the program folder and ends the run with 0
// (start-up tests keep the audit "running" this way). Otherwise returns at once.
void HoldForStartupTest();

// The guard's registry keys (HKEY_LOCAL_MACHINE).
const GuardKeys& AuditGuardKeys();

// Ends the run with status through the exit routine; "TriesAuditGUID" goes with "Tries".
[[noreturn]] void EndAuditRun(int status);

// The restart command of this process (configuration path made absolute).
std::string CurrentRestartCommand(bool onlySend);

// Computer name and AppRefVersion (exits with 2 when AppRefVersion is missing).
void CheckComputerAndAppRef();

// Connection test in URL mode (3010), the three required folder names (2) and the destination of
// folder and FTP mode (2). resendRun: the destination keeps what was delivered before.
void CheckConnectionAndDestination(void* instance, bool resendRun);

// Work-folder access for everyone; on failure logged and reported as 3506, the run goes on.
void AllowWorkAccess();

// An error report of the work thread into the reports folder.
void RaiseWorkError(int code, const char* text, unsigned long detail);
