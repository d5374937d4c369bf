#include "OsType.h"
#include "SystemFacts.h"
#include "TextHelpers.h"

#include <windows.h>

bool IsOsExcluded(const TessalyConfig& config, int type)
{
    const char* name = OsTypeName(type);
    if (config.excludeOs.empty() || !name)
        return false;
    std::wstring wide = ToWide(std::string(name));
    for (const std::wstring& entry : config.excludeOs)
        if (lstrcmpiW(entry.c_str(), wide.c_str()) == 0)
            return true;
    return false;
}

bool IsComputerIncluded(const TessalyConfig& config, const std::wstring& name)
{
    if (config.computerList.empty())
        return true;
    for (const std::wstring& entry : config.computerList)
        if (lstrcmpiW(entry.c_str(), name.c_str()) == 0)
            return true;
    return false;
}
