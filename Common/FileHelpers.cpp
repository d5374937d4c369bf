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
    for (size_t i = 4; i < path.size(); ++i)
        if (path[i] == L'\\')
            CreateDirectoryW(path.substr(0, i).c_str(), nullptr);
    CreateDirectoryW(path.c_str(), nullptr);
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return 1;
    if (_waccess(path.c_str(), 6) != 0)
        return 1;
    EmptyFolder(path);
    return 0;
}
