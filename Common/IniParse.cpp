// Parsing ANSI INI text into the in-memory document.
#include "IniInternal.h"

#include <windows.h>

#include <cstdlib>
#include <cwchar>
#include <vector>

namespace {

IniSection* LastSection(IniDocument document)
{
    IniSection* last = document;
    while (last && last->next)
        last = last->next;
    return last;
}

int ParseHeader(const wchar_t* line, size_t length, IniDocument* document)
{
    if (length < 2 || line[length - 1] != L']')
        return INI_BAD_HEADER;
    const wchar_t* name = line + 1;
    size_t nameLength = length - 2;
    while (nameLength && IniIsBlank(*name)) {
        ++name;
        --nameLength;
    }
    while (nameLength && IniIsBlank(name[nameLength - 1]))
        --nameLength;
    return IniAppendSection(document, name, nameLength) ? INI_OK : INI_NO_MEMORY;
}

int ParseEntry(const wchar_t* line, size_t length, IniDocument* document)
{
    const wchar_t* equals = wmemchr(line, L'=', length);
    if (!equals)
        return INI_OK;
    size_t keyLength = static_cast<size_t>(equals - line);
    while (keyLength && IniIsBlank(line[keyLength - 1]))
        --keyLength;
    if (!keyLength)
        return INI_OK;
    const wchar_t* value = equals + 1;
    size_t valueLength = length - static_cast<size_t>(equals - line) - 1;
    while (valueLength && IniIsBlank(*value)) {
        ++value;
        --valueLength;
    }
    bool quoted = false;
    if (valueLength >= 2 && value[0] == L'"' && value[valueLength - 1] == L'"') {
        ++value;
        valueLength -= 2;
        quoted = true;
    }
    IniSection* section = LastSection(*document);
    if (!section && !(section = IniAppendSection(document, L"", 0)))
        return INI_NO_MEMORY;
    IniEntry* entry = IniAppendEntry(section, line, keyLength, value, valueLength);
    if (!entry)
        return INI_NO_MEMORY;
    entry->quoted = quoted;
    return INI_OK;
}

int ParseLine(const wchar_t* line, size_t length, IniDocument* document)
{
    while (length && IniIsBlank(*line)) {
        ++line;
        --length;
    }
    if (!length || *line == L';')
        return INI_OK;
    while (length && IniIsBlank(line[length - 1]))
        --length;
    if (*line == L'[')
        return ParseHeader(line, length, document);
    return ParseEntry(line, length, document);
}

} // namespace

int IniParseBuffer(const char* text, unsigned long length, IniDocument* document)
{
    if (!text || !document)
        return INI_BAD_ARGUMENT;
    if (length == 0)
        return INI_OK;
    int units = MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(length), nullptr, 0);
    if (units <= 0)
        return INI_NO_MEMORY;
    std::vector<wchar_t> wide(static_cast<size_t>(units) + 1, L'\0');
    if (MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(length), wide.data(), units) != units)
        return INI_NO_MEMORY;
    // The text ends at its first terminator; everything before the first '[' is ignored.
    const wchar_t* start = wcschr(wide.data(), L'[');
    if (!start)
        return INI_OK;
    const wchar_t* end = start + wcslen(start);
    while (start < end) {
        const wchar_t* stop = start;
        while (stop < end && *stop != L'\r' && *stop != L'\n')
            ++stop;
        ParseLine(start, static_cast<size_t>(stop - start), document); // a bad line is skipped
        start = stop < end ? stop + 1 : end;
    }
    return INI_OK;
}
