// The folder transport.
#include "FolderDelivery.h"

#include "FileHelpers.h"
#include "KVLog.h"
#include "ProgressFile.h"
#include "ScopeLogger.h"
#include "TextHelpers.h"

#include <windows.h>

#define FOLDER_LOG(...) KV_GenerateLog("KvScan", KV_SOURCE_FILE, __LINE__, __VA_ARGS__)

namespace {

std::wstring WithBackslash(const std::wstring& path)
{
    return !path.empty() && path.back() == L'\\' ? path : path + L'\\';
}

// Readable and writable: a probe file can be created, written and read back.
bool ReadableAndWritable(const std::wstring& folder)
{
    std::wstring probe = WithBackslash(folder) + L"kvprobe.tmp";
    HANDLE file = CreateFileW(probe.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_TEMPORARY, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    DWORD read = 0;
    char byte = 'k';
    bool ok = WriteFile(file, &byte, 1, &written, nullptr) && written == 1 &&
              SetFilePointer(file, 0, nullptr, FILE_BEGIN) == 0 && ReadFile(file, &byte, 1, &read, nullptr) &&
              read == 1;
    CloseHandle(file);
    DeleteFileW(probe.c_str());
    return ok;
}

} // namespace

int CreateFolderDestination(const FolderDestination& destination, const std::vector<std::wstring>& bareNames,
                            bool resend)
{
    const std::wstring& base = destination.base;
    if (base.size() < 4 || IsSystemFolder(base) || destination.instanceId.empty())
        return 1;
    if (!CreateFolderLevels(base) || !ReadableAndWritable(base))
        return 1;
    std::wstring run = WithBackslash(base) + destination.instanceId;
    if (!CreateFolderLevels(run))
        return 1;
    if (!resend)
        EmptyFolder(run);
    for (const std::wstring& name : bareNames) {
        if (!name.empty())
            CreateDirectoryW((run + L"\\" + name).c_str(), nullptr);
    }
    return 0;
}

int CopyToFolderDestination(void* context, const std::wstring& localPath, const std::wstring& fileName,
                            const std::wstring& bareName)
{
    const FolderDestination& destination = *static_cast<const FolderDestination*>(context);
    std::wstring target = WithBackslash(destination.base) + destination.instanceId + L"\\" + bareName;
    std::string shownTarget = ToNarrow(target);
    bool unc = target.size() >= 2 && target[0] == L'\\' && target[1] == L'\\';
    CreateFolderLevels(target);
    if (unc) {
        FOLDER_LOG("Copying to UNC path: %s", shownTarget.c_str());
    } else {
        FOLDER_LOG("Copying to local path: %s", shownTarget.c_str());
        DWORD attributes = GetFileAttributesW(target.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            DWORD error = GetLastError();
            FOLDER_LOG("Error: Could not access remote directory [%s]", shownTarget.c_str());
            return error ? static_cast<int>(error) : ERROR_PATH_NOT_FOUND;
        }
    }
    std::wstring targetFile = target + L"\\" + fileName;
    std::string shownLocal = ToNarrow(localPath);
    std::string shownRemote = ToNarrow(targetFile);
    if (!CopyFileW(localPath.c_str(), targetFile.c_str(), FALSE)) {
        DWORD error = GetLastError();
        FOLDER_LOG("Error: Could not copy [%s] to remote [%s]", shownLocal.c_str(), shownRemote.c_str());
        return error ? static_cast<int>(error) : 1;
    }
    FOLDER_LOG("Correctly copied [%s] to remote [%s]", shownLocal.c_str(), shownRemote.c_str());
    DeleteFileW(localPath.c_str());
    return 0;
}
