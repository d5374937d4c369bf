#include "ShellCalls.h"

namespace {

template <typename T> void Bind(HMODULE module, const char* name, T& target)
{
    target = reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

} // namespace

const ShellCalls& ShellApi()
{
    static ShellCalls calls;
    static bool bound = false;
    if (!bound) {
        bound = true;
        if (HMODULE shell = LoadLibraryA("shell32.dll")) {
            Bind(shell, "SHGetSpecialFolderLocation", calls.specialFolderLocation);
            Bind(shell, "SHGetPathFromIDListW", calls.pathFromIdList);
            Bind(shell, "SHGetFileInfoW", calls.fileInfo);
        }
    }
    return calls;
}
