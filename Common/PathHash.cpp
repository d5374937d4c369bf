// The folder hash: MD5 of the upper-cased path, written low nibble first.
#include "Md5.h"

#include <windows.h>

#include <cstring>

std::string PathHash(const char* path)
{
    char text[MAX_PATH] = {};
    if (path)
        strncpy(text, path, MAX_PATH - 1); // at most 259 characters, always terminated
    size_t length = strlen(text);
    if (length && text[length - 1] == '\\')
        text[--length] = '\0';
    if (length)
        CharUpperBuffA(text, static_cast<DWORD>(length));
    uint8_t digest[16];
    Md5(text, length, digest);
    static const char kDigits[] = "0123456789abcdef";
    std::string hash;
    for (uint8_t byte : digest) {
        hash += kDigits[byte & 0x0F];
        hash += kDigits[byte >> 4];
    }
    return hash;
}

std::string ShortPathHash(const char* path)
{
    char shortPath[MAX_PATH] = {};
    DWORD got = path ? GetShortPathNameA(path, shortPath, MAX_PATH) : 0;
    if (got == 0 || got >= MAX_PATH)
        return PathHash(path);
    return PathHash(shortPath);
}

std::string ProgramFolderHash()
{
    char module[MAX_PATH] = {};
    DWORD got = GetModuleFileNameA(nullptr, module, MAX_PATH);
    if (got == 0 || got >= MAX_PATH)
        module[0] = '\0';
    if (char* slash = strrchr(module, '\\'))
        *slash = '\0';
    return ShortPathHash(module);
}
