// Reading and writing INI files as whole buffers.
#include "Ini.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// Converts UTF-16 to the ANSI code page, without a default character.
bool ToAnsi(const wchar_t* text, std::string& out)
{
    out.clear();
    int length = static_cast<int>(wcslen(text));
    if (length == 0)
        return true;
    int needed = WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0)
        return false;
    out.resize(static_cast<size_t>(needed));
    return WideCharToMultiByte(CP_ACP, 0, text, length, &out[0], needed, nullptr, nullptr) == needed;
}

} // namespace

int IniReadFile(const wchar_t* path, char** buffer, unsigned long* length, unsigned long* bufferSize, IniForm form)
{
    if (!buffer)
        return INI_BAD_ARGUMENT;
    *buffer = nullptr;
    if (length)
        *length = 0;
    if (bufferSize)
        *bufferSize = 0;
    if (!path || !*path)
        return INI_BAD_ARGUMENT;
    FILE* file = _wfopen(path, L"rb");
    if (!file)
        return INI_CANNOT_OPEN;
    long long size = -1;
    if (_fseeki64(file, 0, SEEK_END) == 0)
        size = _ftelli64(file);
    _fseeki64(file, 0, SEEK_SET);
    const unsigned long limit = form == IniForm::Full ? INI_MAX_FILE_FULL : INI_MAX_FILE_REDUCED;
    if (size < 0) {
        fclose(file);
        return INI_CANNOT_OPEN;
    }
    if (size > static_cast<long long>(limit)) {
        fclose(file);
        return INI_TOO_LARGE;
    }
    const unsigned long fileLength = static_cast<unsigned long>(size);
    const unsigned long allocated = form == IniForm::Full ? fileLength * 2 + 70 : fileLength + 35;
    char* data = static_cast<char*>(calloc(allocated, 1));
    if (!data) {
        fclose(file);
        return INI_NO_MEMORY;
    }
    size_t got = fread(data, 1, fileLength, file);
    fclose(file);
    if (got != fileLength) {
        free(data);
        return INI_SHORT_READ;
    }
    *buffer = data;
    if (length)
        *length = fileLength;
    if (bufferSize)
        *bufferSize = allocated;
    return INI_OK;
}

void IniFreeBuffer(char** buffer)
{
    if (buffer && *buffer) {
        free(*buffer);
        *buffer = nullptr;
    }
}

int IniWriteFile(const wchar_t* path, IniDocument document)
{
    if (!path || !*path)
        return INI_BAD_ARGUMENT;
    FILE* file = _wfopen(path, L"wb");
    if (!file)
        return INI_CANNOT_CREATE;
    std::string name, key, value;
    for (IniSection* section = document; section; section = section->next) {
        if (!section->name[0])
            continue;
        ToAnsi(section->name, name);
        fprintf(file, "\r\n\r\n[%s]\r\n", name.c_str());
        for (IniEntry* entry = section->firstEntry; entry; entry = entry->next) {
            if (entry->comment) {
                if (entry->value[0]) {
                    ToAnsi(entry->value, value);
                    fprintf(file, "%s\r\n", value.c_str());
                }
                continue;
            }
            if (!entry->key[0])
                continue;
            ToAnsi(entry->key, key);
            ToAnsi(entry->value, value);
            fprintf(file, entry->quoted ? "%s=\"%s\"\r\n" : "%s=%s\r\n", key.c_str(), value.c_str());
        }
    }
    int failed = ferror(file);
    if (fclose(file) != 0 || failed)
        return INI_CANNOT_CREATE;
    return INI_OK;
}
