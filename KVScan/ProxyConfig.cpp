#include "ProxyConfig.h"

#include "KVCripto.h"

#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <vector>

namespace {

const wchar_t kMainSection[] = L"KVSCAN_MAINCONFIG";
const wchar_t* const kProxyKeyNames[] = {L"ProxyServer", L"ProxyPort", L"ProxyUser", L"ProxyPassword"};

bool ReadWholeFile(const std::wstring& path, std::string& bytes)
{
    char* buffer = nullptr;
    unsigned long length = 0;
    if (IniReadFile(path.c_str(), &buffer, &length, nullptr) != INI_OK)
        return false;
    bytes.assign(buffer, length);
    IniFreeBuffer(&buffer);
    return true;
}

bool WriteWholeFile(const std::wstring& path, const void* data, size_t size)
{
    FILE* file = _wfopen(path.c_str(), L"wb");
    if (!file)
        return false;
    const bool written = fwrite(data, 1, size, file) == size;
    return fclose(file) == 0 && written;
}

// The plain INI text of the file; false when it cannot be read or decrypted (result set).
bool PlainText(const std::wstring& path, bool encrypted, std::string& text, int& result)
{
    if (!ReadWholeFile(path, text)) {
        result = PROXY_UNREADABLE;
        return false;
    }
    if (!encrypted)
        return true;
    void* plain = nullptr;
    unsigned long plainLength = 0;
    if (!KV_DecryptBuffer(text.data(), static_cast<unsigned long>(text.size()), &plain, &plainLength)) {
        result = PROXY_UNDECRYPTABLE;
        return false;
    }
    text.assign(static_cast<const char*>(plain), plainLength);
    KV_MemFree(plain);
    text.resize(strnlen(text.c_str(), text.size())); // the text ends at its first terminator
    return true;
}

// Writes the document to temporary (encrypted when asked).
bool WriteDocument(const std::wstring& temporary, IniDocument document, bool encrypted)
{
    if (IniWriteFile(temporary.c_str(), document) != INI_OK)
        return false;
    if (!encrypted)
        return true;
    std::string plain;
    if (!ReadWholeFile(temporary, plain))
        return false;
    void* cipher = nullptr;
    unsigned long cipherLength = 0;
    if (!KV_EncryptBuffer(plain.data(), static_cast<unsigned long>(plain.size()), &cipher, &cipherLength))
        return false;
    const bool written = WriteWholeFile(temporary, cipher, cipherLength);
    KV_MemFree(cipher);
    return written;
}

} // namespace

int ApplyProxyKeys(IniDocument* document, const ProxyKeys& proxy)
{
    const std::wstring* values[] = {&proxy.server, &proxy.port, &proxy.user, &proxy.password};
    for (int i = 0; i < 4; ++i) {
        // Every earlier entry goes: a second one would otherwise take the first one's place at the next start.
        const wchar_t* value = nullptr;
        while (IniGetValue(kMainSection, kProxyKeyNames[i], &value, *document) == INI_OK && value)
            IniSetValue(kMainSection, kProxyKeyNames[i], nullptr, document);
        if (proxy.server.empty())
            continue;
        const int status = IniSetValue(kMainSection, kProxyKeyNames[i], values[i]->c_str(), document);
        if (status != INI_OK)
            return status;
    }
    return INI_OK;
}

int WriteProxyToConfig(const std::wstring& path, bool encrypted, const ProxyKeys& proxy)
{
    int result = PROXY_WRITTEN;
    std::string text;
    if (!PlainText(path, encrypted, text, result))
        return result;
    IniDocument document = nullptr;
    if (IniParseBuffer(text.c_str(), static_cast<unsigned long>(text.size()), &document) != INI_OK ||
        ApplyProxyKeys(&document, proxy) != INI_OK) {
        IniFree(&document);
        return PROXY_NOT_WRITTEN;
    }
    const std::wstring temporary = path + L".tmp";
    const bool written = WriteDocument(temporary, document, encrypted);
    IniFree(&document);
    if (!written || !MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileW(temporary.c_str());
        return PROXY_NOT_WRITTEN;
    }
    return PROXY_WRITTEN;
}
