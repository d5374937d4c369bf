// The single-instance guard of KVScan: a named mutex, created owned.
#pragma once

extern const char kInstanceMutexName[]; // "OrvaneKvScanOnlyOneInstance"

// 0 when this is the only instance (g_instanceMutex then holds the mutex); 1 when another instance
// holds it or the guard could not be set up.
int CheckOnlyOneInstance();
void ReleaseInstanceMutex();
