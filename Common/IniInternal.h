// Shared pieces of the INI store's source files; not for callers.
#pragma once

#include "Ini.h"

// White space as the C locale defines it; units above 255 are never blanks.
inline bool IniIsBlank(wchar_t c)
{
    return c == L' ' || c == L'\t' || c == L'\n' || c == L'\v' || c == L'\f' || c == L'\r';
}

// Appends a new section (name cut to 101 characters); null when out of memory.
IniSection* IniAppendSection(IniDocument* document, const wchar_t* name, size_t length);
// Appends a new entry at the end of the section; null when out of memory.
IniEntry* IniAppendEntry(IniSection* section, const wchar_t* key, size_t keyLength, const wchar_t* value,
                         size_t valueLength);
