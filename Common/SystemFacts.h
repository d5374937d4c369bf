// Facts about the running system gathered at start-up: program folder, OS type, session, computer
// name, administrator rights, the logged-on user, and the two audit target checks.
#pragma once

#include "TessalyConfig.h"

#include <string>

enum SystemDataResult { SYSTEM_DATA_OK = 0, SYSTEM_DATA_FAILED = 2, SYSTEM_DATA_NT4_WITHOUT_SP6 = 4 };

// The folder of the running executable (no trailing backslash); false when it cannot be read.
bool ExecutableFolder(std::string& folder);

// Program folder, OS type and service pack, isNtFamily, and on Windows Vista and later the session
// (messages are not allowed in session 0). Returns a SystemDataResult.
int CollectSystemData(TessalyConfig& config);
// The part of CollectSystemData after the version query, for a known type and service pack.
int ApplyOsFacts(TessalyConfig& config, int type, const std::string& servicePack, int sessionId);

// NetBIOS computer name into computerNameA and computerName. Always 0.
int GetComputerData(TessalyConfig& config);
// Session of the process token, -1 on failure.
int GetSessionId();
// Whether the process token holds the built-in Administrators group.
bool IsAdministrator();

// The user logged on to the console (KVNTUtils.DLL on NT 5 and later), or the process's user.
bool GetLoggedUser(const TessalyConfig& config, std::wstring& name);

// Target checks of an audit: the OS type named in KVSCAN_EXCLUDEOS, the computer in
// KVSCAN_COMPUTERLIST (an empty list includes every computer).
bool IsOsExcluded(const TessalyConfig& config, int type);
bool IsComputerIncluded(const TessalyConfig& config, const std::wstring& name);
