// Look-ups and edits of the in-memory INI document.
#include "IniInternal.h"

#include <cstdlib>
#include <cwchar>

namespace {

bool Empty(const wchar_t* text)
{
    return !text || !*text;
}

IniSection* FirstSection(IniDocument document, const wchar_t* name)
{
    for (IniSection* section = document; section; section = section->next)
        if (_wcsicmp(section->name, name) == 0)
            return section;
    return nullptr;
}

IniEntry* FirstEntry(IniSection* section, const wchar_t* key)
{
    for (IniEntry* entry = section->firstEntry; entry; entry = entry->next)
        if (_wcsicmp(entry->key, key) == 0)
            return entry;
    return nullptr;
}

int AppendEntry(IniSection* section, const wchar_t* key, const wchar_t* value)
{
    return IniAppendEntry(section, key, wcslen(key), value, wcslen(value)) ? INI_OK : INI_NO_MEMORY;
}

} // namespace

IniSection* IniAppendSection(IniDocument* document, const wchar_t* name, size_t length)
{
    IniSection* section = static_cast<IniSection*>(calloc(1, sizeof(IniSection)));
    if (!section)
        return nullptr;
    IniCopyText(section->name, INI_NAME_CHARS, name, length);
    IniSection** tail = document;
    while (*tail)
        tail = &(*tail)->next;
    *tail = section;
    return section;
}

IniEntry* IniAppendEntry(IniSection* section, const wchar_t* key, size_t keyLength, const wchar_t* value,
                         size_t valueLength)
{
    IniEntry* entry = static_cast<IniEntry*>(calloc(1, sizeof(IniEntry)));
    if (!entry)
        return nullptr;
    IniCopyText(entry->key, INI_NAME_CHARS, key, keyLength);
    IniCopyText(entry->value, INI_VALUE_CHARS, value, valueLength);
    IniEntry** tail = &section->firstEntry;
    while (*tail)
        tail = &(*tail)->next;
    *tail = entry;
    return entry;
}

void IniCopyText(wchar_t* target, size_t size, const wchar_t* text, size_t length)
{
    if (length > size - 1)
        length = size - 1;
    wmemcpy(target, text, length);
    target[length] = L'\0';
}

int IniGetValue(const wchar_t* section, const wchar_t* key, const wchar_t** value, IniDocument document)
{
    if (!value)
        return INI_BAD_ARGUMENT;
    *value = nullptr;
    if (Empty(section) || Empty(key))
        return INI_BAD_ARGUMENT;
    IniSection* found = FirstSection(document, section);
    if (!found)
        return INI_NOT_FOUND;
    IniEntry* entry = FirstEntry(found, key);
    if (!entry)
        return INI_NOT_FOUND;
    *value = entry->value;
    return INI_OK;
}

int IniFindSection(const wchar_t* name, IniDocument* document, IniSection** found, bool create)
{
    if (found)
        *found = nullptr;
    if (!document || !found || !name)
        return INI_BAD_ARGUMENT;
    while (IniIsBlank(*name))
        ++name;
    if (!*name)
        return INI_BAD_ARGUMENT;
    if ((*found = FirstSection(*document, name)) != nullptr)
        return INI_OK;
    if (!create)
        return INI_NOT_FOUND;
    *found = IniAppendSection(document, name, wcslen(name));
    return *found ? INI_OK : INI_NO_MEMORY;
}

int IniSetValue(const wchar_t* section, const wchar_t* key, const wchar_t* value, IniDocument* document)
{
    if (!document || Empty(section) || Empty(key))
        return INI_BAD_ARGUMENT;
    IniSection* found = nullptr;
    if (!value) {
        int status = IniFindSection(section, document, &found, false);
        if (status != INI_OK)
            return status;
        for (IniEntry** link = &found->firstEntry; *link; link = &(*link)->next) {
            if (_wcsicmp((*link)->key, key) == 0) {
                IniEntry* gone = *link;
                *link = gone->next;
                free(gone);
                break;
            }
        }
        return INI_OK;
    }
    int status = IniFindSection(section, document, &found, true);
    if (status != INI_OK)
        return status;
    if (IniEntry* entry = FirstEntry(found, key)) {
        IniCopyText(entry->value, INI_VALUE_CHARS, value, wcslen(value));
        return INI_OK;
    }
    return AppendEntry(found, key, value);
}

int IniAddValue(const wchar_t* section, const wchar_t* key, const wchar_t* value, IniDocument* document)
{
    if (!document || Empty(section) || Empty(key) || !value)
        return INI_BAD_ARGUMENT;
    IniSection* found = nullptr;
    int status = IniFindSection(section, document, &found, true);
    if (status != INI_OK)
        return status;
    return AppendEntry(found, key, value);
}

void IniFree(IniDocument* document)
{
    if (!document)
        return;
    IniSection* section = *document;
    while (section) {
        IniEntry* entry = section->firstEntry;
        while (entry) {
            IniEntry* next = entry->next;
            free(entry);
            entry = next;
        }
        IniSection* next = section->next;
        free(section);
        section = next;
    }
    *document = nullptr;
}
