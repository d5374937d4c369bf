#include "RunFiles.h"

#include <windows.h>

#include <algorithm>

void RunFiles::AddFile(const std::wstring& path)
{
    if (std::find(files_.begin(), files_.end(), path) == files_.end())
        files_.push_back(path);
}

void RunFiles::AddFolder(const std::wstring& path)
{
    if (std::find(folders_.begin(), folders_.end(), path) == folders_.end())
        folders_.push_back(path);
}

std::wstring RunFiles::Parent(const std::wstring& path)
{
    size_t slash = path.find_last_of(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

bool RunFiles::CreateFolders(const std::wstring& path)
{
    std::wstring folder = path;
    while (folder.size() > 1 && folder.back() == L'\\')
        folder.pop_back();
    if (folder.empty())
        return false;
    DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES)
        return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    std::wstring parent = Parent(folder);
    bool isRoot = parent.empty() || (parent.size() == 2 && parent[1] == L':') || parent == L"\\" ||
                  (parent.size() > 2 && parent[0] == L'\\' && parent[1] == L'\\' &&
                   parent.find(L'\\', 2) == std::wstring::npos);
    if (!isRoot && !CreateFolders(parent))
        return false;
    if (!CreateDirectoryW(folder.c_str(), nullptr))
        return GetLastError() == ERROR_ALREADY_EXISTS;
    AddFolder(folder);
    return true;
}

void RunFiles::RemoveAll()
{
    for (const std::wstring& file : files_)
        DeleteFileW(file.c_str());
    std::vector<std::wstring> folders = folders_;
    std::sort(folders.begin(), folders.end(),
              [](const std::wstring& a, const std::wstring& b) { return a.size() > b.size(); });
    for (const std::wstring& folder : folders)
        RemoveDirectoryW(folder.c_str());
    files_.clear();
    folders_.clear();
}
