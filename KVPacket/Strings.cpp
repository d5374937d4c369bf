#include "Strings.h"

LANGID PacketLanguage(LANGID userLanguage)
{
    switch (PRIMARYLANGID(userLanguage)) {
    case LANG_FRENCH:
        return MAKELANGID(LANG_FRENCH, SUBLANG_FRENCH);
    case LANG_SPANISH:
        return MAKELANGID(LANG_SPANISH, SUBLANG_SPANISH_MODERN);
    default:
        return MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
    }
}

LANGID CurrentPacketLanguage()
{
    return PacketLanguage(GetUserDefaultUILanguage());
}

// A string-table block holds 16 counted UTF-16 strings; block n has the ids 16 * (n - 1) and up.
std::wstring PacketString(HMODULE module, UINT id, LANGID language)
{
    HRSRC resource = FindResourceExW(module, RT_STRING, MAKEINTRESOURCEW(id / 16 + 1), language);
    HGLOBAL loaded = resource ? LoadResource(module, resource) : nullptr;
    const WORD* block = loaded ? static_cast<const WORD*>(LockResource(loaded)) : nullptr;
    if (!block)
        return std::wstring();
    DWORD size = SizeofResource(module, resource) / sizeof(WORD);
    DWORD at = 0;
    for (UINT i = 0; i < id % 16; ++i) {
        if (at >= size)
            return std::wstring();
        at += 1 + block[at];
    }
    if (at >= size || at + 1 + block[at] > size)
        return std::wstring();
    return std::wstring(reinterpret_cast<const wchar_t*>(block + at + 1), block[at]);
}
