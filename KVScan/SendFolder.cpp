// Listing and filtering of a work folder before delivery.
#include "SendFolder.h"

#include "KVLog.h"
#include "ScopeLogger.h"
#include "TextHelpers.h"

#include <windows.h>

#include <vector>

#define SEND_LOG(...) KV_GenerateLog("KvScan", KV_SOURCE_FILE, __LINE__, __VA_ARGS__)

namespace {

const char* const kFoundText[] = {
    "Found the following report to send: %s",
    "Found the following statistics file to send: %s",
    "Found the following suspicious file to send: %s",
    "Found the following filtered file to send: %s",
};

bool SizeLimited(SendKind kind)
{
    return kind == SEND_REPORTS || kind == SEND_STATS;
}

// Opens the file for exclusive read and write to learn that nobody else holds it. false: leave it.
bool FreeToSend(const std::wstring& path, unsigned long long& size)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER length = {};
    bool ok = GetFileSizeEx(file, &length) != 0;
    CloseHandle(file);
    size = static_cast<unsigned long long>(length.QuadPart);
    return ok;
}

} // namespace

int SendWorkFolder(const SendRequest& request, SendOneFile send, void* context, unsigned long& failed,
                   const std::wstring& heldName)
{
    failed = 0;
    if (request.bareName.empty())
        return 0;
    if (request.localFolder.empty())
        return 1;
    std::wstring folder = request.localFolder;
    if (folder.back() != L'\\')
        folder += L'\\';

    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((folder + L"*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_NOT_FOUND ? 0 : 1;
    std::vector<std::wstring> names;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        if (!heldName.empty() && lstrcmpiW(found.cFileName, heldName.c_str()) == 0)
            continue;
        std::wstring path = folder + found.cFileName;
        std::string shown = ToNarrow(path);
        unsigned long long size = 0;
        if (!FreeToSend(path, size))
            continue;
        if (SizeLimited(request.kind) && size > kMaxDeliveredFileSize) {
            SEND_LOG(request.kind == SEND_REPORTS ? "Report [%s] exceeds maximum file size [%d bytes, file size: %d bytes]"
                                                  : "File [%s] exceeds maximum file size [%d bytes, file size: %d bytes]",
                     shown.c_str(), static_cast<int>(kMaxDeliveredFileSize), static_cast<int>(size));
            DeleteFileW(path.c_str());
            continue;
        }
        SEND_LOG(kFoundText[request.kind], shown.c_str());
        names.push_back(found.cFileName);
    } while (FindNextFileW(find, &found));
    FindClose(find);

    int result = 0;
    for (const std::wstring& name : names) {
        int error = send(context, folder + name, name, request.bareName);
        if (error) {
            ++failed;
            result = error;
        }
    }
    return result;
}
