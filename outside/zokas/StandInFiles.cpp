// Journal and scenario files of the engine stand-ins (see StandInFiles.h).

#include "StandInFiles.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace standin {
namespace {

const char kJournal[] = "EngineJournal.txt";
const char kScenario[] = "EngineScenario.ini";

std::string ScenarioPath()
{
    return ModuleFolder() + kScenario;
}

} // namespace

std::string ModuleFolder()
{
    HMODULE self = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&ModuleFolder), &self);
    char path[MAX_PATH] = {};
    DWORD length = GetModuleFileNameA(self, path, MAX_PATH);
    std::string folder(path, length);
    size_t slash = folder.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : folder.substr(0, slash + 1);
}

void Journal(const char* module, const std::string& text)
{
    std::string line = std::to_string(GetCurrentProcessId()) + " " + module + " " + text + "\r\n";
    std::string path = ModuleFolder() + kJournal;
    // Appends from several processes: retry while another writer holds the file.
    for (int attempt = 0; attempt < 200; ++attempt) {
        HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
            CloseHandle(file);
            return;
        }
        if (GetLastError() != ERROR_SHARING_VIOLATION)
            return;
        Sleep(5);
    }
}

int ScenarioInt(const char* section, const char* key, int fallback)
{
    std::string text = ScenarioText(section, key);
    if (text.empty())
        return fallback;
    return static_cast<int>(std::strtol(text.c_str(), nullptr, 0));
}

std::string ScenarioText(const char* section, const char* key)
{
    char value[1024] = {};
    GetPrivateProfileStringA(section, key, "", value, sizeof value, ScenarioPath().c_str());
    return value;
}

int InjectedFailure(const char* call, const char* detail)
{
    if (detail) {
        int code = ScenarioInt("Fail", (std::string(call) + "." + detail).c_str(), 0);
        if (code)
            return code;
    }
    return ScenarioInt("Fail", call, 0);
}

std::string Quoted(const char* text)
{
    if (!text)
        return "null";
    std::string out = "\"";
    for (const char* p = text; *p; ++p) {
        if (*p == '"' || *p == '\\')
            out += '\\';
        if (*p == '\r' || *p == '\n')
            out += ' ';
        else
            out += *p;
    }
    return out + "\"";
}

std::string Hex(const void* data, size_t size)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    const unsigned char* p = static_cast<const unsigned char*>(data);
    for (size_t i = 0; p && i < size; ++i) {
        out += digits[p[i] >> 4];
        out += digits[p[i] & 15];
    }
    return out;
}

std::string Number(long long value)
{
    return std::to_string(value);
}

std::string HexNumber(unsigned long long value)
{
    char text[24];
    std::snprintf(text, sizeof text, "0x%llx", value);
    return text;
}

std::vector<std::string> SplitMultiText(const char* list)
{
    std::vector<std::string> items;
    for (const char* p = list; p && *p; p += std::strlen(p) + 1)
        items.emplace_back(p);
    return items;
}

std::string MultiText(const char* list)
{
    if (!list)
        return "null";
    std::string out = "[";
    for (const std::string& item : SplitMultiText(list)) {
        if (out.size() > 1)
            out += ',';
        out += Quoted(item.c_str());
    }
    return out + "]";
}

} // namespace standin
