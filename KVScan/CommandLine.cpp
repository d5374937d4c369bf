#include "CommandLine.h"

#include "TextHelpers.h"

#include <windows.h>

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

// Whether text begins with prefix, compared case-insensitively over the prefix's length.
bool StartsWithNoCase(const wchar_t* text, const wchar_t* prefix)
{
    size_t length = wcslen(prefix);
    return wcslen(text) >= length && _wcsnicmp(text, prefix, length) == 0;
}

const wchar_t kConfigSwitch[] = L"/cfgfile:";

} // namespace

int TokenizeCommandLine(wchar_t* line, wchar_t* tokens[], int maxTokens)
{
    int count = 0;
    wchar_t* read = line;
    while (*read && count < maxTokens) {
        while (IsBlank(*read))
            ++read;
        if (!*read)
            break;
        wchar_t* write = read;
        tokens[count++] = write;
        bool quoted = false;
        wchar_t previous = 0;
        for (; *read; ++read) {
            wchar_t c = *read;
            if (c == L'"' && previous != L'\\') {
                quoted = !quoted;
                previous = c;
                continue;
            }
            if (!quoted && IsBlank(c))
                break;
            *write++ = c;
            previous = c;
        }
        bool more = *read != 0;
        *write = 0;
        if (more)
            ++read;
    }
    return count;
}

CommandSwitches ParseSwitches(wchar_t* const tokens[], int count)
{
    CommandSwitches switches;
    for (int i = 1; i < count; ++i) {
        if (StartsWithNoCase(tokens[i], L"/noclean")) {
            switches.noClean = true;
        } else if (StartsWithNoCase(tokens[i], L"/onlysend")) {
            switches.onlySend = true;
        } else {
            switches.haveArgument = true;
            switches.argument = tokens[i];
        }
    }
    return switches;
}

bool ConfigFileArgument(const std::wstring& argument, std::wstring& path)
{
    if (!StartsWithNoCase(argument.c_str(), kConfigSwitch))
        return false;
    path = argument.substr(wcslen(kConfigSwitch));
    TrimRight(path);
    TrimLeft(path);
    return true;
}
