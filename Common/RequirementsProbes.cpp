// The real measurements of the machine behind the requirements check.
#include "Requirements.h"

#include "FileVersion.h"

#include <windows.h>
#include <intrin.h>

#include <cwchar>
#include <vector>

namespace {

const wchar_t kProcessorKey[] = L"HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0";
const wchar_t kBrowserKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\IEXPLORE.EXE";

bool SystemTotalMemory(uint64_t* bytes)
{
    MEMORYSTATUSEX status = {};
    status.dwLength = sizeof(status);
    if (!GlobalMemoryStatusEx(&status))
        return false;
    *bytes = status.ullTotalPhys;
    return true;
}

typedef BOOL(WINAPI* GetDiskFreeSpaceExW_t)(LPCWSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);

bool SystemFreeDiskSpace(const std::wstring& root, uint64_t* bytes)
{
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    auto extended = kernel ? reinterpret_cast<GetDiskFreeSpaceExW_t>(
                                 reinterpret_cast<void*>(GetProcAddress(kernel, "GetDiskFreeSpaceExW")))
                           : nullptr;
    if (extended) {
        ULARGE_INTEGER available, total, free;
        if (!extended(root.c_str(), &available, &total, &free))
            return false;
        *bytes = available.QuadPart;
        return true;
    }
    DWORD sectorsPerCluster, bytesPerSector, freeClusters, clusters;
    if (!GetDiskFreeSpaceW(root.c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters))
        return false;
    *bytes = ClusterBytes(sectorsPerCluster, bytesPerSector, freeClusters);
    return true;
}

bool SystemRegistryMhz(uint32_t* mhz)
{
    DWORD value = 0, size = sizeof(value), type = 0;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, kProcessorKey, L"~MHz", RRF_RT_REG_DWORD, &type, &value, &size) !=
        ERROR_SUCCESS)
        return false;
    *mhz = value;
    return true;
}

uint32_t SystemMeasureMhz()
{
    LARGE_INTEGER frequency, start, now;
    if (!QueryPerformanceFrequency(&frequency) || !QueryPerformanceCounter(&start))
        return 0;
    unsigned long long cycles = __rdtsc();
    do {
        QueryPerformanceCounter(&now);
    } while (now.QuadPart - start.QuadPart < frequency.QuadPart);
    return static_cast<uint32_t>((__rdtsc() - cycles) >> 20);
}

void SystemProcessorInfo(uint16_t* architecture, uint16_t* level, uint32_t* type)
{
    SYSTEM_INFO info = {};
    GetSystemInfo(&info);
    *architecture = info.wProcessorArchitecture;
    *level = info.wProcessorLevel;
    *type = info.dwProcessorType;
}

bool SystemBrowserMajor(int* major)
{
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kBrowserKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    DWORD type = 0, size = 0;
    std::vector<wchar_t> value;
    bool read = RegQueryValueExW(key, nullptr, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
                (type == REG_SZ || type == REG_EXPAND_SZ);
    if (read) {
        value.assign(size / sizeof(wchar_t) + 1, 0);
        read = RegQueryValueExW(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &size) ==
               ERROR_SUCCESS;
    }
    RegCloseKey(key);
    if (!read)
        return false;
    std::wstring path = value.data();
    if (type == REG_EXPAND_SZ) {
        wchar_t expanded[MAX_PATH * 2];
        DWORD got = ExpandEnvironmentStringsW(path.c_str(), expanded, MAX_PATH * 2);
        if (got == 0 || got > MAX_PATH * 2)
            return false;
        path = expanded;
    }
    if (path.size() >= 2 && path.front() == L'"' && path.back() == L'"')
        path = path.substr(1, path.size() - 2);
    std::wstring version;
    if (!GetFileVersionText(path.c_str(), &version, nullptr))
        return false;
    *major = static_cast<int>(wcstol(version.c_str(), nullptr, 10));
    return true;
}

std::wstring ReadProcessorText(const wchar_t* name)
{
    wchar_t text[256] = {};
    DWORD size = sizeof(text) - sizeof(wchar_t);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, kProcessorKey, name, RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS)
        return std::wstring();
    return text;
}

} // namespace

const RequirementProbes kSystemProbes = {SystemTotalMemory,   SystemFreeDiskSpace,  SystemRegistryMhz,
                                         SystemMeasureMhz,    SystemProcessorInfo,  SystemBrowserMajor};

std::wstring ProcessorName()
{
    std::wstring name = ReadProcessorText(L"ProcessorNameString");
    return name.empty() ? ReadProcessorText(L"Identifier") : name;
}
