#include "StartConfig.h"

#include "EntryName.h"
#include "Ini.h"
#include "KVCripto.h"

#include <windows.h>

namespace {

struct Crypto {
    HMODULE module = nullptr;
    KV_IsEncrypted_t isEncrypted = nullptr;
    KV_DecryptBuffer_t decrypt = nullptr;
    KV_MemFree_t memFree = nullptr;
    ~Crypto()
    {
        if (module)
            FreeLibrary(module);
    }
};

template <typename T>
bool Resolve(HMODULE module, const char* name, T& function, std::string* missing)
{
    function = reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    if (!function && missing)
        *missing = name;
    return function != nullptr;
}

} // namespace

int ReadStartConfig(const std::wstring& folder, std::wstring& mainProcess, std::string* missing)
{
    mainProcess.clear();
    Crypto crypto;
    crypto.module = LoadLibraryExW((folder + L"\\KVCripto.dll").c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!crypto.module)
        return START_CONFIG_NO_CRYPTO;
    if (!Resolve(crypto.module, "KV_IsEncrypted", crypto.isEncrypted, missing) ||
        !Resolve(crypto.module, "KV_DecryptBuffer", crypto.decrypt, missing) ||
        !Resolve(crypto.module, "KV_MemFree", crypto.memFree, missing))
        return START_CONFIG_CRYPTO_FUNCTION;

    char* buffer = nullptr;
    unsigned long length = 0, size = 0;
    if (IniReadFile((folder + L"\\KVScan.ini").c_str(), &buffer, &length, &size, IniForm::Reduced) != INI_OK)
        return START_CONFIG_OK;
    std::string text(buffer, length);
    IniFreeBuffer(&buffer);
    if (crypto.isEncrypted(text.data(), static_cast<unsigned long>(text.size()))) {
        void* plain = nullptr;
        unsigned long plainLength = 0;
        if (!crypto.decrypt(text.data(), static_cast<unsigned long>(text.size()), &plain, &plainLength))
            return START_CONFIG_OK;
        text.assign(static_cast<const char*>(plain), plainLength);
        crypto.memFree(plain);
    }
    IniDocument document = nullptr;
    const wchar_t* value = nullptr;
    if (IniParseBuffer(text.c_str(), static_cast<unsigned long>(text.size()), &document) == INI_OK &&
        IniGetValue(L"KVSCAN_MAINCONFIG", L"MainProcess", &value, document) == INI_OK && value)
        mainProcess = value;
    IniFree(&document);
    return START_CONFIG_OK;
}

std::wstring ProgramToStart(const std::wstring& folder, const std::wstring& mainProcess)
{
    if (!mainProcess.empty() && IsSafeRelativeName(mainProcess)) {
        std::wstring path = folder + L"\\" + mainProcess;
        DWORD attributes = GetFileAttributesW(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
            return path;
    }
    return folder + L"\\KVScan.exe";
}
