// The maker's communications transport library "zocomm.dll", registered beside "libvorn.dll". Callers
// only load it and call its registration exports (DllRegisterServer, DllUnregisterServer).
#pragma once

// HKCR key the library registers: default value its description, "Path" its full file name.
#define ZOCOMM_MARKER_KEY L"ZoComm.Transport"
#define ZOCOMM_PATH_VALUE L"Path"

// Files of the development stand-in, beside the DLL (formats in outside/libvorn/README.md).
#define ZOCOMM_JOURNAL_FILE L"zocomm_journal.txt"
#define ZOCOMM_SCENARIO_FILE L"zocomm_scenario.ini"
