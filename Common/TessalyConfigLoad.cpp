// Loading the configuration file: location, decryption, UTF-8 to ANSI, the main-section check.
#include "TessalyConfig.h"

#include "ConfigValues.h"
#include "KVCripto.h"
#include "KVLog.h"
#include "ScopeLogger.h"
#include "TextHelpers.h"

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <new>
#include <vector>

namespace {

bool Readable(const std::wstring& path)
{
    FILE* file = _wfopen(path.c_str(), L"rb");
    if (!file)
        return false;
    fclose(file);
    return true;
}

// UTF-8 to the ANSI code page; the text stays as it is when the conversion gives nothing.
std::string Utf8ToAnsi(const std::string& text)
{
    std::wstring wide = Utf8ToWide(text);
    std::string ansi;
    if (wide.empty() || !ToNarrow(wide.c_str(), ansi) || ansi.empty())
        return text;
    return ansi;
}

// True when some piece between '[' and ']' characters, trimmed of blanks and tabs, is the name.
bool HasSection(const std::string& text, const char* name)
{
    size_t from = 0;
    while (from <= text.size()) {
        size_t stop = text.find_first_of("[]", from);
        std::string piece = text.substr(from, stop == std::string::npos ? std::string::npos : stop - from);
        Trim(piece);
        if (_stricmp(piece.c_str(), name) == 0)
            return true;
        if (stop == std::string::npos)
            break;
        from = stop + 1;
    }
    return false;
}

} // namespace

std::wstring TessalyConfig::ConfigFilePath(const std::wstring& path) const
{
    std::wstring folder = ToWide(programFolder);
    if (path.empty())
        return folder + L"\\KVScan.ini";
    if (path.find(L'\\') != std::wstring::npos)
        return path;
    return folder + L"\\" + path;
}

// Reads, decrypts and converts the file into ANSI INI text.
int TessalyConfig::LoadText(const std::wstring& path, std::string& text)
{
    std::wstring file = ConfigFilePath(path);
    if (!Readable(file))
        return CONFIG_UNREADABLE;
    char* buffer = nullptr;
    unsigned long length = 0, size = 0;
    IniReadFile(file.c_str(), &buffer, &length, &size); // a failed read leaves no buffer and fails below
    if (!buffer)
        return CONFIG_INVALID;
    std::string content(buffer, length);
    IniFreeBuffer(&buffer);

    if (KV_IsEncrypted(content.data(), static_cast<unsigned long>(content.size()))) {
        void* plain = nullptr;
        unsigned long plainLength = 0;
        if (!KV_DecryptBuffer(content.data(), static_cast<unsigned long>(content.size()), &plain, &plainLength))
            return CONFIG_INVALID;
        content.assign(static_cast<const char*>(plain), plainLength);
        KV_MemFree(plain);
        configWasEncrypted = true;
    }
    content.resize(strnlen(content.c_str(), content.size())); // the text ends at its first terminator
    text = Utf8ToAnsi(content);
    if (!HasSection(text, "KVSCAN_MAINCONFIG"))
        return CONFIG_INVALID;
    return CONFIG_OK;
}

int TessalyConfig::ReadConfig(const std::wstring& path)
{
    KV_SCOPE(logModule.c_str(), "TessalyConfig::ReadConfig()");
    IniDocument document = nullptr;
    try {
        std::string text;
        int result = LoadText(path, text);
        if (result != CONFIG_OK)
            return result;
        IniParseBuffer(text.c_str(), static_cast<unsigned long>(text.size()), &document);
        ReadMainConfig(document);
        ReadProcesses(document);
        ReadScanConfig(document);
        ReadLists(document);
        ReadAppRefVersion(document);
    } catch (const std::bad_alloc&) {
        IniFree(&document);
        return CONFIG_NO_MEMORY;
    }
    IniFree(&document);
    DumpSettings();
    return CONFIG_OK;
}
