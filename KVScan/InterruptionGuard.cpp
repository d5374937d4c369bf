#include "InterruptionGuard.h"

#include "TextHelpers.h"

const char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kRunValueScanner[] = "KVScanner";
const char kTriesValue[] = "Tries";
const char kTriesAuditValue[] = "TriesAuditGUID";

namespace {

HKEY OpenOrCreate(const GuardKeys& keys, const std::string& path)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(keys.root, path.c_str(), 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return nullptr;
    return key;
}

void DeleteValue(const GuardKeys& keys, const std::string& path, const char* name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(keys.root, path.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return;
    RegDeleteValueA(key, name);
    RegCloseKey(key);
}

std::wstring ReadText(HKEY key, const char* name)
{
    wchar_t text[128] = {};
    DWORD type = 0, size = sizeof(text) - sizeof(wchar_t);
    std::wstring wide = ToWide(name);
    if (RegQueryValueExW(key, wide.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(text), &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return std::wstring();
    return text;
}

} // namespace

std::string RestartCommand(const std::string& programFolder, bool noClean, const std::string& configFile,
                           bool onlySend)
{
    std::string command = "\"" + programFolder + "\\KVScan.exe\"";
    if (noClean)
        command += " /noclean";
    if (!configFile.empty())
        command += " /cfgfile:\"" + configFile + "\"";
    if (onlySend)
        command += " /onlysend";
    return command;
}

void SetRestartCommand(const GuardKeys& keys, const std::string& command)
{
    HKEY key = OpenOrCreate(keys, keys.runKey);
    if (!key)
        return;
    // The stored length leaves out the terminating zero, as the other Run values of the system.
    RegSetValueExA(key, kRunValueScanner, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                   static_cast<DWORD>(command.size()));
    RegCloseKey(key);
}

void StoreTries(const GuardKeys& keys, const std::wstring& auditGuid, DWORD count)
{
    HKEY key = OpenOrCreate(keys, keys.tessalyKey);
    if (!key)
        return;
    RegSetValueExA(key, kTriesValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&count), sizeof(count));
    std::wstring name = ToWide(kTriesAuditValue);
    RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(auditGuid.c_str()),
                   static_cast<DWORD>((auditGuid.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

int CountStart(const GuardKeys& keys, const std::wstring& auditGuid)
{
    HKEY key = OpenOrCreate(keys, keys.tessalyKey);
    if (!key)
        return 1;
    DWORD tries = 0, type = 0, size = sizeof(tries);
    bool present = RegQueryValueExA(key, kTriesValue, nullptr, &type, reinterpret_cast<BYTE*>(&tries), &size) ==
                       ERROR_SUCCESS &&
                   type == REG_DWORD && size == sizeof(tries);
    // A counter left by another audit does not count against this one.
    if (present && lstrcmpiW(ReadText(key, kTriesAuditValue).c_str(), auditGuid.c_str()) != 0)
        present = false;
    RegCloseKey(key);
    // Compared unsigned: a stored count near the top of the range must not wrap into a small one.
    DWORD count = present ? (tries >= static_cast<DWORD>(MAX_AUDIT_TRIES) ? MAX_AUDIT_TRIES + 1 : tries + 1) : 1;
    if (count > static_cast<DWORD>(MAX_AUDIT_TRIES)) {
        RemoveGuard(keys);
        return static_cast<int>(count);
    }
    StoreTries(keys, auditGuid, count);
    return static_cast<int>(count);
}

void RemoveTriesAudit(const GuardKeys& keys)
{
    DeleteValue(keys, keys.tessalyKey, kTriesAuditValue);
}

void RemoveGuard(const GuardKeys& keys)
{
    DeleteValue(keys, keys.runKey, kRunValueScanner);
    DeleteValue(keys, keys.tessalyKey, kTriesValue);
    DeleteValue(keys, keys.tessalyKey, kTriesAuditValue);
}
