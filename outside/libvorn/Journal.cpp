// Journal file of the communications stand-ins: one line per call, appended and closed at once.

#include "StandInFiles.h"

#include <cstdio>

namespace standin {

namespace {

std::string Utf8(const wchar_t* text)
{
    int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1)
        return std::string();
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
    out.resize(static_cast<size_t>(size) - 1);
    return out;
}

std::string Escape(const std::string& text)
{
    std::string out;
    for (unsigned char c : text) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '"': out += "\\\""; break;
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20) {
                char hex[8];
                std::snprintf(hex, sizeof hex, "\\x%02X", c);
                out += hex;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out;
}

} // namespace

Journal::Journal()
{
    InitializeCriticalSection(&lock_);
}

Journal::~Journal()
{
    DeleteCriticalSection(&lock_);
}

void Journal::Bind(HMODULE module, const wchar_t* fileName, const char* heading)
{
    std::wstring folder = ModulePath(module);
    size_t slash = folder.find_last_of(L"\\/");
    folder.resize(slash == std::wstring::npos ? 0 : slash + 1);
    folder_ = folder;
    path_ = folder + fileName;
    heading_ = heading;
}

HRESULT Journal::Write(const char* call, const std::string& args, HRESULT hr, bool injected)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    char head[96];
    std::snprintf(head, sizeof head, "%04u-%02u-%02u %02u:%02u:%02u.%03u pid=%lu tid=%lu ", now.wYear, now.wMonth,
                  now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds, GetCurrentProcessId(),
                  GetCurrentThreadId());
    char tail[48];
    std::snprintf(tail, sizeof tail, " -> 0x%08lX%s\r\n", static_cast<unsigned long>(hr),
                  injected ? " injected" : "");
    std::string line = head + std::string(call) + args + tail;

    DWORD saved = GetLastError();
    EnterCriticalSection(&lock_);
    HANDLE file = CreateFileW(path_.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        LARGE_INTEGER size = {};
        if (GetFileSizeEx(file, &size) && size.QuadPart == 0)
            line = "# " + heading_ + "\r\n" + line;
        DWORD written = 0;
        WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
        CloseHandle(file);
    }
    LeaveCriticalSection(&lock_);
    SetLastError(saved);
    return hr;
}

std::string Field(const char* name, const wchar_t* text)
{
    if (!text)
        return std::string(" ") + name + "=null";
    return std::string(" ") + name + "=\"" + Escape(Utf8(text)) + "\"";
}

std::string Field(const char* name, long value)
{
    return std::string(" ") + name + "=" + std::to_string(value);
}

std::string HexField(const char* name, unsigned long value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", value);
    return std::string(" ") + name + "=" + text;
}

} // namespace standin
