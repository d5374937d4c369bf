// The machine identifier (MUID) and the audit instance identifier (LASTAUID) in the registry.
// root is HKEY_LOCAL_MACHINE in the programs; tests pass a scratch key of their own.
#pragma once

#include "TessalyConfig.h"

#include <windows.h>

#include <string>

extern const char kUidsSetupKey[];   // "Software\Orvane Software\Setup\UIDS"
extern const char kUidsSetupExKey[]; // "Software\Orvane Software\SetupEx\UIDS"
extern const char kTessalyKey[];     // "SOFTWARE\Orvane Software\Tessaly"

// Reads (or creates and stores) the MUID and keeps "{guid}" in machineId. 0 success, 15 failure
// (logged as "Cannot read or create MUID" and reported with code 3000).
int ReadOrCreateMuid(TessalyConfig& config, std::string& machineId, HKEY root = HKEY_LOCAL_MACHINE);

// Keeps the LASTAUID of an interrupted run or makes a new one, stores it under both keys and keeps
// "{guid}" in config.instanceId. 0 success, 1 failure.
int CreateInstanceId(TessalyConfig& config, HKEY root = HKEY_LOCAL_MACHINE);

// Exit-time clean-up of LASTAUID.
void RemoveInstanceId(HKEY root = HKEY_LOCAL_MACHINE);

// A GUID text value (36 characters, read into a 37-byte buffer); false when missing or unreadable.
bool ReadGuidValue(HKEY root, const char* key, const char* value, std::string& text);
bool WriteGuidValue(HKEY root, const char* key, const char* value, const std::string& text);
// A new UUID in the RPC text form (lower case, no braces); false when none can be made.
bool NewGuidText(std::string& text);
