// Stand-in for the maker's error report component.
//
// Each call writes one file "ErrorReport_<code>_<yyyymmddhhmmss>_<pid>_<n>.txt" into the reports
// folder, so that it travels with the audit results. The file is ANSI text:
//   [ErrorReport]
//   InstanceId=...  Module=...  Code=...  Message=...  Detail=...  ExtraText=...  Flag=...
//   Encrypted=...   Time=...    ProcessId=...
// one key per line. When encrypt is set the whole text goes through KVCripto. Every call is also
// logged through KVLog (module "KVEReport"), with the file it wrote or the reason it wrote none.

#include "KVEReport.h"

#include "KVCripto.h"
#include "KVLog.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

LONG g_sequence = 0;

const char* OrEmpty(const char* text)
{
    return text ? text : "";
}

// Values are single lines: line breaks become spaces.
std::string OneLine(const char* text)
{
    std::string value = OrEmpty(text);
    for (char& c : value)
        if (c == '\r' || c == '\n')
            c = ' ';
    return value;
}

bool WriteNew(const std::string& path, const void* data, DWORD size)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool good = WriteFile(file, data, size, &written, nullptr) && written == size;
    CloseHandle(file);
    if (!good)
        DeleteFileA(path.c_str());
    return good;
}

} // namespace

extern "C" int __cdecl KV_GenerateErrorReport(const char* instanceId, const char* module, int code,
                                              const char* message, int detail, const char* extraText, int flag,
                                              const char* reportsFolder, int encrypt)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04u%02u%02u%02u%02u%02u", now.wYear, now.wMonth, now.wDay, now.wHour,
                  now.wMinute, now.wSecond);

    std::string text = "[ErrorReport]\r\n";
    text += "InstanceId=" + OneLine(instanceId) + "\r\n";
    text += "Module=" + OneLine(module) + "\r\n";
    text += "Code=" + std::to_string(code) + "\r\n";
    text += "Message=" + OneLine(message) + "\r\n";
    text += "Detail=" + std::to_string(detail) + "\r\n";
    text += "ExtraText=" + OneLine(extraText) + "\r\n";
    text += "Flag=" + std::to_string(flag) + "\r\n";
    text += std::string("Encrypted=") + (encrypt ? "1" : "0") + "\r\n";
    text += std::string("Time=") + stamp + "\r\n";
    text += "ProcessId=" + std::to_string(GetCurrentProcessId()) + "\r\n";

    KV_GenerateLog("KVEReport", __FILE__, __LINE__, "Error report %d \"%s\" (%d) from %s [%s]", code,
                   OrEmpty(message), detail, OrEmpty(module), OrEmpty(extraText));

    std::string folder = OrEmpty(reportsFolder);
    if (folder.empty()) {
        KV_GenerateLog("KVEReport", __FILE__, __LINE__, "No reports folder: report %d not written", code);
        return 0;
    }
    if (folder.back() != '\\' && folder.back() != '/')
        folder += '\\';

    void* body = const_cast<char*>(text.data());
    unsigned long size = static_cast<unsigned long>(text.size());
    void* encrypted = nullptr;
    if (encrypt) {
        if (!KV_EncryptBuffer(text.data(), size, &encrypted, &size)) {
            KV_GenerateLog("KVEReport", __FILE__, __LINE__, "Encryption failed: report %d not written", code);
            return 0;
        }
        body = encrypted;
    }

    bool written = false;
    std::string path;
    for (int attempt = 0; attempt < 1000 && !written; ++attempt) {
        LONG n = InterlockedIncrement(&g_sequence);
        path = folder + "ErrorReport_" + std::to_string(code) + "_" + stamp + "_" +
               std::to_string(GetCurrentProcessId()) + "_" + std::to_string(n) + ".txt";
        written = WriteNew(path, body, size);
        if (!written && GetLastError() != ERROR_FILE_EXISTS)
            break;
    }
    DWORD error = GetLastError();
    KV_MemFree(encrypted);
    if (written)
        KV_GenerateLog("KVEReport", __FILE__, __LINE__, "Error report %d written to %s", code, path.c_str());
    else
        KV_GenerateLog("KVEReport", __FILE__, __LINE__, "Error report %d not written to %s (error %lu)", code,
                       folder.c_str(), error);
    return written ? 1 : 0;
}
