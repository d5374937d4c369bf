// Typed reading of configuration keys from an INI document.
#pragma once

#include "Ini.h"

#include <string>
#include <vector>

// "true"/"yes" and "false"/"no", case-insensitively.
bool IsYes(const wchar_t* value);
bool IsNo(const wchar_t* value);

// The value when the key is present (true), else the field stays (false).
bool ReadText(IniDocument document, const wchar_t* section, const wchar_t* key, std::wstring& field);
// "true"/"yes" set, "false"/"no" clear, anything else or a missing key leaves the field.
void ReadBool(IniDocument document, const wchar_t* section, const wchar_t* key, bool& field);
// Set only by "true"/"yes"; a missing key or any other text clears.
bool ReadStrictYes(IniDocument document, const wchar_t* section, const wchar_t* key);
// Set unless "false"/"no"; a missing key sets.
bool ReadUnlessNo(IniDocument document, const wchar_t* section, const wchar_t* key);

// Index of the value in names (case-insensitively), or -1 when the key is missing or matches none.
int ReadChoice(IniDocument document, const wchar_t* section, const wchar_t* key, const wchar_t* const* names,
               int count);

// Every non-empty value of the section in file order (a repeated key repeats its first value). The
// list is emptied first.
void ReadList(IniDocument document, const wchar_t* section, std::vector<std::wstring>& list);
