// Module path and registry text helpers of the communications stand-ins' self-registration.

#include "StandInFiles.h"

namespace standin {

std::wstring ModulePath(HMODULE module)
{
    wchar_t path[MAX_PATH * 2] = {};
    DWORD length = GetModuleFileNameW(module, path, static_cast<DWORD>(sizeof path / sizeof path[0]));
    return std::wstring(path, length);
}

LONG SetRegText(HKEY key, const wchar_t* name, const std::wstring& value)
{
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

} // namespace standin
