// Stand-in for the maker's log component.
//
// Every call appends one whole line to one log file shared by all processes on the machine:
//   %ProgramData%\KVLog\KVLog.log   (CSIDL_COMMON_APPDATA)
// It lives outside any program folder, so lines of programs started by a service, or of a program
// whose folder has been removed, are still found there. Line layout, fields separated by tabs:
//   yyyy-mm-dd hh:mm:ss.mmm  pid  tid  module  sourceFile  line  message
// Line breaks inside a message are written as spaces so that one call is always one line.
// Writers of all processes serialise on a byte-range lock far beyond the end of the file; inside a
// process a critical section orders the threads.

#include "KVLog.h"

#include <windows.h>
#include <shlobj.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

CRITICAL_SECTION g_lock;
HANDLE g_file = INVALID_HANDLE_VALUE;

// The lock region: one byte at an offset no log will ever reach, so readers are never blocked.
constexpr DWORD kLockOffsetHigh = 0x7FFFFFFF;

HANDLE OpenLogFile()
{
    wchar_t base[MAX_PATH];
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, base)))
        return INVALID_HANDLE_VALUE;
    std::wstring folder = std::wstring(base) + L"\\KVLog";
    CreateDirectoryW(folder.c_str(), nullptr);
    std::wstring path = folder + L"\\KVLog.log";
    return CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

std::string FormatMessageText(const char* format, va_list args)
{
    if (!format)
        return std::string();
    va_list copy;
    va_copy(copy, args);
    int needed = _vscprintf(format, copy);
    va_end(copy);
    if (needed < 0)
        return std::string(format);
    std::string text(static_cast<size_t>(needed) + 1, '\0');
    _vsnprintf(&text[0], text.size(), format, args);
    text.resize(static_cast<size_t>(needed));
    return text;
}

void AppendLine(const std::string& line)
{
    EnterCriticalSection(&g_lock);
    if (g_file == INVALID_HANDLE_VALUE)
        g_file = OpenLogFile();
    if (g_file != INVALID_HANDLE_VALUE) {
        OVERLAPPED region = {};
        region.OffsetHigh = kLockOffsetHigh;
        if (LockFileEx(g_file, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &region)) {
            LARGE_INTEGER zero = {};
            SetFilePointerEx(g_file, zero, nullptr, FILE_END);
            DWORD written = 0;
            WriteFile(g_file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
            UnlockFileEx(g_file, 0, 1, 0, &region);
        }
    }
    LeaveCriticalSection(&g_lock);
}

const char* OrEmpty(const char* text)
{
    return text ? text : "";
}

} // namespace

extern "C" int __cdecl KV_GenerateLog(const char* module, const char* sourceFile, int line, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string message = FormatMessageText(format, args);
    va_end(args);
    for (char& c : message)
        if (c == '\r' || c == '\n')
            c = ' ';

    SYSTEMTIME now;
    GetLocalTime(&now);
    char head[128];
    std::snprintf(head, sizeof head, "%04u-%02u-%02u %02u:%02u:%02u.%03u\t%lu\t%lu\t", now.wYear, now.wMonth,
                  now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds, GetCurrentProcessId(),
                  GetCurrentThreadId());
    std::string text = head;
    text += OrEmpty(module);
    text += '\t';
    text += OrEmpty(sourceFile);
    text += '\t';
    text += std::to_string(line);
    text += '\t';
    text += message;
    text += "\r\n";
    AppendLine(text);
    return 1;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH) {
        InitializeCriticalSection(&g_lock);
    } else if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
        // Unloaded by FreeLibrary: close the file. At process exit the system closes it.
        if (g_file != INVALID_HANDLE_VALUE)
            CloseHandle(g_file);
        g_file = INVALID_HANDLE_VALUE;
        DeleteCriticalSection(&g_lock);
    }
    return TRUE;
}
