// The one exit routine of KVScan and the "launch_res.dat" file it leaves for the launcher.
#pragma once

#include "ExitStatus.h"

// Runs every exit step and ends the process with exit(status), or returns when returnOnly is true.
// Entered once: a second caller waits until the first one has ended the process.
void ExitProgram(int status, bool returnOnly = false);

// Writes "launch_res.dat" (4 bytes, little-endian) in the program folder when the status has a
// launch result code; returns whether a file was written.
bool WriteLaunchResult(int status);

// Stops and deletes a service. 0 done or no such service, 1 empty name, 2 no service manager,
// 3 the service could not be deleted.
int UninstallService(const char* name);
