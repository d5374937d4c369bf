// The engine's service on Windows Vista and 7: installed and started for the analysis, stopped and
// deleted by the exit routine.
#pragma once

#include "zoksvc.h"

constexpr const char* kEngineServiceName = ZOKSVC_SERVICE_NAME;

enum ServiceStartResult { SERVICE_STARTED = 0, SERVICE_NO_MANAGER = 1, SERVICE_NOT_CREATED = 2, SERVICE_NOT_STARTED = 3 };

// Creates the service (an existing one gets its executable path and types set again) and starts it,
// waiting a bounded time while it is start-pending. type 2 (file-system driver) gets the load-order
// group "File System". 0 started (or already running), 1 no service manager, 2 neither created nor
// opened, 3 it did not start.
int InstallAndStartService(const char* name, const char* displayName, const char* path, unsigned long type,
                           unsigned long startType);

// The bound of the start-pending poll, in milliseconds (100 ms steps).
extern unsigned long g_serviceStartPendingLimitMs;
