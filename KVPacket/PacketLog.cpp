#include "PacketLog.h"

#include "KVLog.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>

namespace {

HMODULE g_log = nullptr;
KV_GenerateLog_t g_generateLog = nullptr;

} // namespace

void BindPacketLog(const std::wstring& folder)
{
    if (g_log)
        return;
    g_log = LoadLibraryExW((folder + L"\\KVLog.dll").c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (g_log)
        g_generateLog = reinterpret_cast<KV_GenerateLog_t>(
            reinterpret_cast<void*>(GetProcAddress(g_log, "KV_GenerateLog")));
}

void ReleasePacketLog()
{
    if (g_log)
        FreeLibrary(g_log);
    g_log = nullptr;
    g_generateLog = nullptr;
}

void PacketLogAt(const char* sourceFile, int line, const char* format, ...)
{
    if (!g_generateLog)
        return;
    char text[2048];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    const char* slash = strrchr(sourceFile, '/');
    g_generateLog("KVPacket", slash ? slash + 1 : sourceFile, line, "%s", text);
}
