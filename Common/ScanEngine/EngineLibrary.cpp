#include "EngineLibrary.h"

#include <cstring>
#include <string>

EngineLibrary::EngineLibrary(const char* folder, const char* fileName)
{
    std::string path;
    if (folder && *folder) {
        if (std::strlen(folder) + std::strlen(fileName) + 1 > MAX_PATH)
            throw Win32Exception(ERROR_INVALID_PARAMETER);
        path = folder;
        if (path.back() != '\\' && path.back() != '/')
            path += '\\';
        path += fileName;
    } else {
        path = fileName;
    }
    // The altered search path lets the library find its own dependencies in its folder.
    module_ = LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!module_)
        module_ = LoadLibraryA(path.c_str());
    if (!module_)
        throw Win32Exception(GetLastError());
}

EngineLibrary::~EngineLibrary()
{
    if (module_)
        FreeLibrary(module_);
}

void* EngineLibrary::resolve(const EngineFunction& function)
{
    FARPROC address = GetProcAddress(module_, function.name());
    if (!address)
        throw Win32Exception(GetLastError());
    return reinterpret_cast<void*>(address);
}
