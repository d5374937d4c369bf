// Work folders: absolute paths, creation and emptying with a guard against system folders.
#pragma once

#include <string>

// "X:..." and "\\server\..." stay as they are; anything else becomes programFolder + "\" + path.
std::wstring MakeAbsolute(const std::wstring& path, const std::wstring& programFolder);

// Deletes every file and sub-folder below path (paths of at least 5 characters); errors are ignored.
void EmptyFolder(const std::wstring& path);

// True for the Windows and system folders (by name and as the system reports them).
bool IsSystemFolder(const std::wstring& path);

// 0: the folder exists, is readable and writable and has been emptied. 1: refused (shorter than 5
// characters, a system folder, cannot be created or not readable and writable).
int CreateAndCleanFolder(const std::wstring& path);

// Creates path and every missing level above it (local or UNC). True when the folder exists afterwards.
bool CreateFolderLevels(const std::wstring& path);

// Deletes folder with everything below it; links are removed, never followed.
void DeleteFolderTree(const std::wstring& folder);
