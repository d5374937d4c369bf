// The progress file in a folder destination.
#include "ProgressFile.h"

#include "FileHelpers.h"
#include "KVLog.h"
#include "ScopeLogger.h"

#include <cstring>

namespace {

struct ProgressLock {
    CRITICAL_SECTION section;
    ProgressLock() { InitializeCriticalSection(&section); }
};

ProgressLock& TheLock()
{
    static ProgressLock lock;
    return lock;
}

std::wstring WithBackslash(const std::wstring& path)
{
    if (!path.empty() && path.back() != L'\\' && path.back() != L'/')
        return path + L'\\';
    return path;
}

bool SameField(const wchar_t* a, const wchar_t* b, size_t capacity)
{
    return FixedText(a, capacity) == FixedText(b, capacity);
}

// Reads a candidate progress file; false unless it is exactly one well-formed record.
bool ReadRecordFile(const std::wstring& path, ProgressRecord& record)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size = {};
    DWORD read = 0;
    bool ok = GetFileSizeEx(file, &size) && size.QuadPart == kProgressRecordSize &&
              ReadFile(file, &record, sizeof(record), &read, nullptr) && read == sizeof(record);
    CloseHandle(file);
    return ok && IsWellFormedRecord(record);
}

} // namespace

void LockProgressWrites()
{
    EnterCriticalSection(&TheLock().section);
}

void UnlockProgressWrites()
{
    LeaveCriticalSection(&TheLock().section);
}

int WriteProgressFolder(const ProgressRecord& record)
{
    std::wstring destination = FixedText(record.destination);
    std::wstring instance = FixedText(record.instanceId);
    if (destination.empty() || !IsBracedGuidText(instance))
        return 1;
    LockProgressWrites();
    int result = 1;
    if (CreateFolderLevels(destination)) {
        std::wstring path = WithBackslash(destination) + instance + L".dat";
        HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            if (WriteFile(file, &record, sizeof(record), &written, nullptr) && written == sizeof(record))
                result = 0;
            CloseHandle(file);
        }
    }
    UnlockProgressWrites();
    return result;
}

int RemoveStaleProgress(const ProgressRecord& record)
{
    std::wstring base = WithBackslash(FixedText(record.destination));
    std::wstring ownInstance = FixedText(record.instanceId);
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((base + L"*.dat").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_NOT_FOUND ? 0 : 1;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        std::wstring path = base + found.cFileName;
        ProgressRecord other;
        if (!ReadRecordFile(path, other))
            continue;
        if (!SameField(other.auditGuid, record.auditGuid, 50) || !SameField(other.progressId, record.progressId, 50))
            continue;
        std::wstring instance = FixedText(other.instanceId);
        if (_wcsicmp(instance.c_str(), ownInstance.c_str()) == 0)
            continue;
        std::string narrow(instance.begin(), instance.end()); // a braced GUID: plain ASCII
        KV_GenerateLog("KvScan", KV_SOURCE_FILE, __LINE__, "Removing the progress of an earlier run: %s",
                       narrow.c_str());
        DeleteFileW(path.c_str());
        DeleteFolderTree(base + instance);
    } while (FindNextFileW(find, &found));
    FindClose(find);
    return 0;
}
