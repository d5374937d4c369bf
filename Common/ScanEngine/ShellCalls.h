// The shell calls of the adapter (special folders, display names), bound at first use: shell32 is
// loaded only by the programs that get this far.
#pragma once

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

struct ShellCalls {
    HRESULT(WINAPI* specialFolderLocation)(HWND, int, LPITEMIDLIST*) = nullptr;
    BOOL(WINAPI* pathFromIdList)(LPCITEMIDLIST, LPWSTR) = nullptr;
    DWORD_PTR(WINAPI* fileInfo)(LPCWSTR, DWORD, SHFILEINFOW*, UINT, UINT) = nullptr;
};

// Entries are null when shell32 or the call is missing.
const ShellCalls& ShellApi();
