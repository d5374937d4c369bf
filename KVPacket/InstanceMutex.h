// The single-instance mutex that the launcher shares with the scanner.
#pragma once

#include <windows.h>

// Creates "OrvaneKvScanOnlyOneInstance" owned ("Global\" on NT 5 and later, with an access list
// for Authenticated Users, Service and Local System on the NT family). Null when another copy
// holds it or it cannot be made.
HANDLE TakeInstanceMutex();
void ReleaseInstanceMutex(HANDLE& mutex);
