// kernel32's WOW64 functions, looked up on first use.
#include "Wow64.h"

#include <windows.h>

namespace {

typedef BOOL(WINAPI* DisableFn)(PVOID*);
typedef BOOL(WINAPI* RevertFn)(PVOID);
typedef BOOL(WINAPI* IsWow64Fn)(HANDLE, PBOOL);

// Not looked up yet: all bits set.
void* const kNotLooked = reinterpret_cast<void*>(~static_cast<uintptr_t>(0));

void* g_disable = kNotLooked;
void* g_revert = kNotLooked;
void* g_isWow64 = kNotLooked;
LONG g_wow64Answer = -1; // -1 not asked yet, else 0 or 1

void* Lookup(void** cache, const char* name)
{
    void* current = InterlockedCompareExchangePointer(cache, kNotLooked, kNotLooked);
    if (current != kNotLooked)
        return current;
    HMODULE kernel = GetModuleHandleW(L"kernel32");
    void* found = kernel ? reinterpret_cast<void*>(GetProcAddress(kernel, name)) : nullptr;
    InterlockedExchangePointer(cache, found);
    return found;
}

} // namespace

bool DisableFsRedirection(void** oldValue)
{
    DisableFn disable = reinterpret_cast<DisableFn>(Lookup(&g_disable, "Wow64DisableWow64FsRedirection"));
    return disable && disable(oldValue) != FALSE;
}

bool RevertFsRedirection(void* oldValue)
{
    RevertFn revert = reinterpret_cast<RevertFn>(Lookup(&g_revert, "Wow64RevertWow64FsRedirection"));
    return revert && revert(oldValue) != FALSE;
}

bool IsWow64()
{
    LONG answer = InterlockedCompareExchange(&g_wow64Answer, -1, -1);
    if (answer >= 0)
        return answer == 1;
    IsWow64Fn query = reinterpret_cast<IsWow64Fn>(Lookup(&g_isWow64, "IsWow64Process"));
    BOOL wow64 = FALSE;
    if (!query || !query(GetCurrentProcess(), &wow64))
        wow64 = FALSE;
    InterlockedExchange(&g_wow64Answer, wow64 ? 1 : 0);
    return wow64 != FALSE;
}
