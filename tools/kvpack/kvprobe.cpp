// kvprobe: a stand-in program for package tests.
//   kvprobe                          writes "probe.txt" beside itself (UTF-16): its command line
//                                    and its current folder, one per line
//   kvprobe hold MUTEX READY STOP    creates the mutex MUTEX owned, writes the file READY, and
//                                    keeps the mutex until the file STOP exists (at most 60 s)
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

int WriteProbe()
{
    wchar_t path[MAX_PATH * 2], current[MAX_PATH * 2];
    DWORD got = GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
    if (!got || !GetCurrentDirectoryW(MAX_PATH * 2, current))
        return 1;
    wchar_t* name = wcsrchr(path, L'\\') + 1;
    wcscpy(name, L"probe.tmp");
    std::wstring written = path;
    FILE* file = _wfopen(path, L"wb");
    if (!file)
        return 1;
    fwprintf(file, L"%ls\r\n%ls\r\n", GetCommandLineW(), current);
    fclose(file);
    wcscpy(name, L"probe.txt"); // appears complete
    return MoveFileW(written.c_str(), path) ? 0 : 1;
}

int HoldMutex(const wchar_t* name, const wchar_t* ready, const wchar_t* stop)
{
    HANDLE mutex = CreateMutexW(nullptr, TRUE, name);
    if (!mutex || GetLastError() == ERROR_ALREADY_EXISTS)
        return 1;
    FILE* file = _wfopen(ready, L"wb");
    if (file)
        fclose(file);
    for (int i = 0; i < 1200 && GetFileAttributesW(stop) == INVALID_FILE_ATTRIBUTES; ++i)
        Sleep(50);
    ReleaseMutex(mutex);
    CloseHandle(mutex);
    return 0;
}

} // namespace

int main()
{
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv && argc == 5 && wcscmp(argv[1], L"hold") == 0)
        return HoldMutex(argv[2], argv[3], argv[4]);
    return WriteProbe();
}
