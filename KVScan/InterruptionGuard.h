// The guard of an audit against interruption: the Run value "KVScanner" starts the scanner again at the
// next logon, and "Tries" (with the AuditGUID it counts for, "TriesAuditGUID", beside it) bounds the
// number of starts of one audit.
#pragma once

#include <windows.h>

#include <string>

extern const char kRunKey[];          // "SOFTWARE\Microsoft\Windows\CurrentVersion\Run"
extern const char kRunValueScanner[]; // "KVScanner"
extern const char kTriesValue[];      // "Tries"
extern const char kTriesAuditValue[]; // "TriesAuditGUID"

enum { MAX_AUDIT_TRIES = 3 };

// The command that starts the scanner again: the quoted program path, then " /noclean" when the no-clean
// flag is set, " /cfgfile:" with the quoted configuration path when one was given, and " /onlysend"
// for a resend run.
std::string RestartCommand(const std::string& programFolder, bool noClean, const std::string& configFile,
                           bool onlySend);

// Where the guard keeps its values; HKEY_LOCAL_MACHINE in the program, a scratch key in tests.
struct GuardKeys {
    HKEY root = HKEY_LOCAL_MACHINE;
    std::string runKey = kRunKey;
    std::string tessalyKey = "SOFTWARE\\Orvane Software\\Tessaly";
};

// Sets the Run value to command. Failed writes are ignored.
void SetRestartCommand(const GuardKeys& keys, const std::string& command);
// Counts one more start of auditGuid: "Tries" of the same audit plus 1, otherwise 1. Returns the new
// count; when it exceeds MAX_AUDIT_TRIES the Run value and the counter are removed instead of stored.
// A key that cannot be opened counts as a first start.
int CountStart(const GuardKeys& keys, const std::wstring& auditGuid);
// Removes "KVScanner", "Tries" and "TriesAuditGUID" (the run ended).
void RemoveGuard(const GuardKeys& keys);
// Removes "TriesAuditGUID" alone (the exit routine removes the other two).
void RemoveTriesAudit(const GuardKeys& keys);
// Stores count and auditGuid as the counter of starts.
void StoreTries(const GuardKeys& keys, const std::wstring& auditGuid, DWORD count);
