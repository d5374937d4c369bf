#include "ConfigValues.h"

#include <cwchar>

bool IsYes(const wchar_t* value)
{
    return value && (_wcsicmp(value, L"true") == 0 || _wcsicmp(value, L"yes") == 0);
}

bool IsNo(const wchar_t* value)
{
    return value && (_wcsicmp(value, L"false") == 0 || _wcsicmp(value, L"no") == 0);
}

bool ReadText(IniDocument document, const wchar_t* section, const wchar_t* key, std::wstring& field)
{
    const wchar_t* value = nullptr;
    if (IniGetValue(section, key, &value, document) != INI_OK || !value)
        return false;
    field = value;
    return true;
}

void ReadBool(IniDocument document, const wchar_t* section, const wchar_t* key, bool& field)
{
    const wchar_t* value = nullptr;
    IniGetValue(section, key, &value, document);
    if (IsYes(value))
        field = true;
    else if (IsNo(value))
        field = false;
}

bool ReadStrictYes(IniDocument document, const wchar_t* section, const wchar_t* key)
{
    const wchar_t* value = nullptr;
    IniGetValue(section, key, &value, document);
    return IsYes(value);
}

bool ReadUnlessNo(IniDocument document, const wchar_t* section, const wchar_t* key)
{
    const wchar_t* value = nullptr;
    IniGetValue(section, key, &value, document);
    return !IsNo(value);
}

int ReadChoice(IniDocument document, const wchar_t* section, const wchar_t* key, const wchar_t* const* names,
               int count)
{
    const wchar_t* value = nullptr;
    if (IniGetValue(section, key, &value, document) != INI_OK || !value)
        return -1;
    for (int i = 0; i < count; ++i)
        if (_wcsicmp(value, names[i]) == 0)
            return i;
    return -1;
}

void ReadList(IniDocument document, const wchar_t* section, std::vector<std::wstring>& list)
{
    list.clear();
    IniSection* found = nullptr;
    if (IniFindSection(section, &document, &found, false) != INI_OK)
        return;
    for (IniEntry* entry = found->firstEntry; entry; entry = entry->next) {
        if (!entry->key[0])
            continue;
        const wchar_t* value = nullptr;
        if (IniGetValue(section, entry->key, &value, document) == INI_OK && value && *value)
            list.push_back(value);
    }
}
