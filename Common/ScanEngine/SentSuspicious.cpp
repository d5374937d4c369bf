#include "SentSuspicious.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

std::wstring SentSuspiciousListPath()
{
    wchar_t folder[MAX_PATH] = {};
    UINT length = GetWindowsDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return std::wstring();
    std::wstring path(folder, length);
    if (path.back() != L'\\')
        path += L'\\';
    return path + L"KVSusSent.dat";
}

SentListResult IsSentSuspicious(const std::string& md5Hex)
{
    std::wstring path = SentSuspiciousListPath();
    FILE* file = path.empty() ? nullptr : _wfopen(path.c_str(), L"r");
    if (!file)
        return SENT_LIST_UNREADABLE;
    SentListResult result = SENT_LIST_NOT_LISTED;
    char line[1025];
    while (fgets(line, sizeof line, file)) {
        if (strlen(line) >= 32 && md5Hex.size() == 32 && _strnicmp(line, md5Hex.c_str(), 32) == 0) {
            result = SENT_LIST_LISTED;
            break;
        }
    }
    fclose(file);
    return result;
}
