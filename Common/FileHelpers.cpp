// Work folder helpers.
#include "FileHelpers.h"

#include <windows.h>

#include <io.h>
#include <cwchar>

namespace {

// The folder with its trailing separators removed and "." and ".." resolved.
std::wstring Normalised(const std::wstring& path)
{
    wchar_t full[1024];
    DWORD got = GetFullPathNameW(path.c_str(), 1024, full, nullptr);
    std::wstring result = got > 0 && got < 1024 ? std::wstring(full) : path;
    while (result.size() > 3 && (result.back() == L'\\' || result.back() == L'/'))
        result.pop_back();
    return result;
}

bool SameFolder(const std::wstring& a, const std::wstring& b)
{
    return !a.empty() && !b.empty() && _wcsicmp(Normalised(a).c_str(), Normalised(b).c_str()) == 0;
}

} // namespace

std::wstring MakeAbsolute(const std::wstring& path, const std::wstring& programFolder)
{
    if ((path.size() >= 2 && path[1] == L':') || path.compare(0, 2, L"\\\\") == 0)
        return path;
    return programFolder + L"\\" + path;
}

void EmptyFolder(const std::wstring& path)
{
    if (path.size() < 5)
        return;
    struct _wfinddata_t found;
    intptr_t search = _wfindfirst((path + L"\\*").c_str(), &found);
    if (search == -1)
        return;
    do {
        if (wcscmp(found.name, L".") == 0 || wcscmp(found.name, L"..") == 0)
            continue;
        std::wstring child = path + L"\\" + found.name;
        if (found.attrib & _A_SUBDIR) {
            EmptyFolder(child);
            _wrmdir(child.c_str());
        } else {
            _wunlink(child.c_str());
        }
    } while (_wfindnext(search, &found) == 0);
    _findclose(search);
}

bool IsSystemFolder(const std::wstring& path)
{
    static const wchar_t* const kNames[] = {L":\\Windows", L":\\Windows\\System", L":\\Windows\\System32",
                                            L":\\Winnt",   L":\\Winnt\\System",   L":\\Winnt\\System32"};
    std::wstring folder = Normalised(path);
    if (folder.size() >= 2)
        for (const wchar_t* name : kNames)
            if (_wcsicmp(folder.c_str() + 1, name) == 0)
                return true;
    wchar_t system[MAX_PATH];
    UINT got = GetWindowsDirectoryW(system, MAX_PATH);
    if (got > 0 && got < MAX_PATH && SameFolder(folder, system))
        return true;
    got = GetSystemDirectoryW(system, MAX_PATH);
    if (got > 0 && got < MAX_PATH && SameFolder(folder, system))
        return true;
    return false;
}

int CreateAndCleanFolder(const std::wstring& path)
{
    if (path.size() < 5 || IsSystemFolder(path))
        return 1;
    if (!CreateFolderLevels(path))
        return 1;
    if (_waccess(path.c_str(), 6) != 0)
        return 1;
    EmptyFolder(path);
    return 0;
}

bool CreateFolderLevels(const std::wstring& path)
{
    if (path.empty())
        return false;
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES)
        return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    // Skip the root ("X:\" or "\\server\share\") before creating levels.
    size_t start = 0;
    if (path.size() >= 2 && path[0] == L'\\' && path[1] == L'\\') {
        size_t server = path.find(L'\\', 2);
        start = server == std::wstring::npos ? path.size() : path.find(L'\\', server + 1);
        if (start == std::wstring::npos)
            start = path.size();
    } else if (path.size() >= 2 && path[1] == L':') {
        start = 2;
    }
    for (size_t pos = path.find_first_of(L"\\/", start + 1); pos != std::wstring::npos;
         pos = path.find_first_of(L"\\/", pos + 1))
        CreateDirectoryW(path.substr(0, pos).c_str(), nullptr);
    CreateDirectoryW(path.c_str(), nullptr);
    attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void DeleteFolderTree(const std::wstring& folder)
{
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = found.cFileName;
            if (name == L"." || name == L"..")
                continue;
            std::wstring child = folder + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
                RemoveDirectoryW(child.c_str()); // a link: never follow it
            } else if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                DeleteFolderTree(child);
            } else {
                SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(child.c_str());
            }
        } while (FindNextFileW(find, &found));
        FindClose(find);
    }
    RemoveDirectoryW(folder.c_str());
}
