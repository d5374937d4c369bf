#include "InstanceMutex.h"

#include "OsType.h"

#include <sddl.h>

namespace {

// Access mask 0x101FFFFF for S-1-5-11, S-1-5-6 and S-1-5-18.
const wchar_t kAccessList[] = L"D:(A;;0x101FFFFF;;;AU)(A;;0x101FFFFF;;;SU)(A;;0x101FFFFF;;;SY)";

} // namespace

HANDLE TakeInstanceMutex()
{
    int type = OS_TYPE_UNKNOWN;
    std::string servicePack;
    DetectOsType(type, servicePack);
    bool nt = IsNtFamilyType(type);
    const wchar_t* name = nt && (type >= OS_WIN2000 || type == OS_TYPE_UNKNOWN)
                              ? L"Global\\OrvaneKvScanOnlyOneInstance"
                              : L"OrvaneKvScanOnlyOneInstance";
    SECURITY_ATTRIBUTES attributes = {sizeof(attributes), nullptr, FALSE};
    if (nt && !ConvertStringSecurityDescriptorToSecurityDescriptorW(kAccessList, SDDL_REVISION_1,
                                                                    &attributes.lpSecurityDescriptor, nullptr))
        return nullptr;
    HANDLE mutex = CreateMutexW(nt ? &attributes : nullptr, TRUE, name);
    DWORD error = GetLastError();
    if (attributes.lpSecurityDescriptor)
        LocalFree(attributes.lpSecurityDescriptor);
    if (mutex && error == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return nullptr;
    }
    return mutex;
}

void ReleaseInstanceMutex(HANDLE& mutex)
{
    if (!mutex)
        return;
    ReleaseMutex(mutex);
    CloseHandle(mutex);
    mutex = nullptr;
}
