// The element path of a report entry as the user sees it.

#include "DetectionHandling.h"

#include "ShellCalls.h"
#include "TextHelpers.h"

#include <cstring>
#include <vector>

namespace {

// The path as the user sees it: every part after the first replaced by the shell's display name.
std::wstring DisplayPath(const std::wstring& path)
{
    const ShellCalls& shell = ShellApi();
    if (!shell.fileInfo || GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        return std::wstring();
    std::vector<std::wstring> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find(L'\\', start);
        if (end == std::wstring::npos)
            end = path.size();
        if (end > start)
            parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    if (parts.empty())
        return std::wstring();
    std::wstring unresolved = parts[0];
    std::wstring resolved = parts[0];
    for (size_t i = 1; i < parts.size(); ++i) {
        unresolved += L"\\" + parts[i];
        SHFILEINFOW info = {};
        std::wstring query = unresolved + L"\\";
        bool named = shell.fileInfo(query.c_str(), 0, &info, sizeof info, SHGFI_DISPLAYNAME) && info.szDisplayName[0];
        resolved += L"\\" + (named ? std::wstring(info.szDisplayName) : parts[i]);
    }
    return resolved;
}

} // namespace

std::wstring ResolveElementPath(const char* utf8)
{
    std::wstring path = Utf8ToWide(std::string(utf8, strnlen(utf8, 4095)));
    std::wstring resolved = DisplayPath(path);
    if (resolved.empty())
        return path;
    size_t slash = path.find_last_of(L'\\');
    std::wstring fileName = slash == std::wstring::npos ? path : path.substr(slash + 1);
    size_t dot = fileName.find_last_of(L'.');
    if (dot != std::wstring::npos) {
        std::wstring extension = fileName.substr(dot);
        if (resolved.size() < extension.size() ||
            resolved.compare(resolved.size() - extension.size(), extension.size(), extension) != 0)
            resolved += extension;
    }
    return resolved;
}
