#include "FileVersion.h"

#include <windows.h>

#include <cwchar>
#include <vector>

namespace {

bool QueryText(const std::vector<BYTE>& data, const wchar_t* key, std::wstring& text)
{
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(data.data(), key, &value, &length) || !value || length == 0)
        return false;
    const wchar_t* chars = static_cast<const wchar_t*>(value);
    text.assign(chars, wcsnlen(chars, length));
    return true;
}

} // namespace

bool GetFileVersionText(const wchar_t* path, std::wstring* version, std::wstring* description)
{
    if (!path)
        return false;
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(path, &ignored);
    if (size == 0)
        return false;
    std::vector<BYTE> data(size);
    if (!GetFileVersionInfoW(path, 0, size, data.data()))
        return false;
    if (version) {
        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT length = 0;
        if (VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) && fixed &&
            length >= sizeof(VS_FIXEDFILEINFO)) {
            wchar_t text[64];
            swprintf(text, 64, L"%d.%d.%d.%d", HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                     HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS));
            *version = text;
        }
    }
    if (description) {
        WORD* translation = nullptr;
        UINT length = 0;
        wchar_t key[64];
        bool found = false;
        if (VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                           &length) &&
            translation && length >= 4) {
            swprintf(key, 64, L"\\StringFileInfo\\%02X%02X%02X%02X\\FileDescription", HIBYTE(translation[0]),
                     LOBYTE(translation[0]), HIBYTE(translation[1]), LOBYTE(translation[1]));
            found = QueryText(data, key, *description);
        }
        if (!found) {
            swprintf(key, 64, L"\\StringFileInfo\\%04X04B0\\FileDescription", GetUserDefaultLangID());
            QueryText(data, key, *description);
        }
    }
    return true;
}
