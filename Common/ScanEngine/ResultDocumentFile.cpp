// Encryption, naming and writing of the result documents.

#include "ResultDocumentFile.h"

#include "KVCripto.h"
#include "TessalyConfig.h"
#include "TextHelpers.h"

#include <windows.h>

#include <cstdio>
#include <io.h>

namespace {

// The counter of the fall-back names has five digits.
constexpr int kLastCounter = 99999;

} // namespace

std::wstring LocalReportsFolder(const TessalyConfig& config)
{
    if (!config.reportsPath.empty())
        return config.reportsPath;
    return ToWide(config.reportsPathA);
}

bool DocumentBytes(const TessalyConfig& config, DocumentEncrypt encrypt, const std::string& text, std::string& bytes)
{
    if (!config.configWasEncrypted) {
        bytes = text;
        return true;
    }
    void* out = nullptr;
    unsigned long outLength = 0;
    if (!encrypt || !encrypt(text.data(), static_cast<unsigned long>(text.size()), &out, &outLength) || !out) {
        KV_MemFree(out);
        return false;
    }
    bytes.assign(static_cast<const char*>(out), outLength);
    KV_MemFree(out);
    return true;
}

std::wstring NewDocumentPath(const std::wstring& folder, int (*newGuid)(std::string&), const char* prefix,
                             const std::string& guid)
{
    std::string name;
    if (newGuid && newGuid(name) == 0 && !name.empty())
        return folder + L"\\" + ToWide(name) + L".xml";
    std::wstring base = folder + L"\\" + ToWide(prefix) + ToWide(guid) + L"_";
    for (int counter = 1; counter <= kLastCounter; ++counter) {
        wchar_t digits[16];
        std::swprintf(digits, sizeof digits / sizeof digits[0], L"%05d", counter);
        std::wstring path = base + digits + L".xml";
        if (_waccess(path.c_str(), 4) != 0)
            return path;
    }
    return std::wstring();
}

int WriteDocumentFile(const std::wstring& path, const std::string& bytes)
{
    if (path.empty())
        return DOCUMENT_NOT_CREATED;
    FILE* file = _wfopen(path.c_str(), L"w+b");
    if (!file)
        return DOCUMENT_NOT_CREATED;
    size_t written = bytes.empty() ? 0 : std::fwrite(bytes.data(), 1, bytes.size(), file);
    bool closed = std::fclose(file) == 0;
    if (written != bytes.size() || !closed) {
        _wunlink(path.c_str());
        return DOCUMENT_SHORT_WRITE;
    }
    return DOCUMENT_WRITTEN;
}
