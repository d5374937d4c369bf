#include "PathMacros.h"

#include "ShellCalls.h"

#include <cwctype>
#include <string>

namespace {

// The folder the shell reports for a CSIDL; empty when it reports none.
std::wstring SpecialFolder(int csidl)
{
    const ShellCalls& shell = ShellApi();
    if (!shell.specialFolderLocation || !shell.pathFromIdList)
        return std::wstring();
    LPITEMIDLIST list = nullptr;
    if (FAILED(shell.specialFolderLocation(nullptr, csidl, &list)) || !list)
        return std::wstring();
    wchar_t path[MAX_PATH] = {};
    BOOL ok = shell.pathFromIdList(list, path);
    CoTaskMemFree(list);
    if (!ok)
        return std::wstring();
    // Some shells end a folder with a backslash ("...\Documents\"); the macro is followed by its own.
    std::wstring folder(path);
    if (folder.size() > 3 && folder.back() == L'\\')
        folder.pop_back();
    return folder;
}

// Replaces the first occurrence of macro; an empty folder keeps the macro, or puts fallback instead.
void ReplaceFirst(std::wstring& text, const wchar_t* macro, const std::wstring& folder,
                  const wchar_t* fallback = nullptr)
{
    size_t at = text.find(macro);
    if (at == std::wstring::npos)
        return;
    if (!folder.empty())
        text.replace(at, wcslen(macro), folder);
    else if (fallback)
        text.replace(at, wcslen(macro), fallback);
}

std::wstring SystemDirectory()
{
    wchar_t path[MAX_PATH] = {};
    UINT length = GetSystemDirectoryW(path, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::wstring(path, length) : std::wstring();
}

} // namespace

size_t expandPathMacros(const wchar_t* text, wchar_t* out, size_t outSize)
{
    if (!text || !out)
        return 0;
    std::wstring work(text, wcsnlen(text, 260));
    for (wchar_t& c : work)
        c = static_cast<wchar_t>(towlower(c));

    ReplaceFirst(work, L"%windows%", L"%windir%");
    ReplaceFirst(work, L"%windir%", SpecialFolder(CSIDL_WINDOWS));
    std::wstring system = SpecialFolder(CSIDL_SYSTEM);
    ReplaceFirst(work, L"%system%", system.empty() ? SystemDirectory() : system);
    ReplaceFirst(work, L"%mydocuments%", SpecialFolder(CSIDL_PERSONAL));
    ReplaceFirst(work, L"%desktop%", SpecialFolder(CSIDL_DESKTOPDIRECTORY));
    ReplaceFirst(work, L"%programfiles%", SpecialFolder(CSIDL_PROGRAM_FILES));
    ReplaceFirst(work, L"%internetcache%", SpecialFolder(CSIDL_INTERNET_CACHE));
    ReplaceFirst(work, L"%commonfiles%", SpecialFolder(CSIDL_PROGRAM_FILES_COMMON), L"%commonprogramfiles%");
    std::wstring systemDir = SystemDirectory();
    ReplaceFirst(work, L"%root%", systemDir.size() >= 2 ? systemDir.substr(0, 2) : std::wstring(),
                 L"%systemdrive%");

    wchar_t expanded[261] = {};
    DWORD needed = ExpandEnvironmentStringsW(work.c_str(), expanded, 261);
    if (needed == 0 || needed > 261)
        return 0;
    std::wstring result(expanded);
    if (result.size() == 2 && result[1] == L':')
        result += L"\\";
    if (result.size() + 1 > outSize)
        return 0;
    wcscpy(out, result.c_str());
    return result.size() + 1;
}
