// A crypto component that lacks KV_DecryptBuffer (the launcher must refuse it with 7006).
#include <windows.h>

extern "C" __declspec(dllexport) int __cdecl KV_IsEncrypted(const void*, unsigned long)
{
    return 0;
}

extern "C" __declspec(dllexport) void __cdecl KV_MemFree(void*) {}
