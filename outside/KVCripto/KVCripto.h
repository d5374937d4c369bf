// The maker's buffer encryption component.
#pragma once

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// Non-zero when buffer holds the component's encrypted form.
int __cdecl KV_IsEncrypted(const void* buffer, unsigned long length);
// Non-zero on success; *plain is released with KV_MemFree.
int __cdecl KV_DecryptBuffer(const void* buffer, unsigned long length, void** plain, unsigned long* plainLength);
// Non-zero on success; *out is released with KV_MemFree.
int __cdecl KV_EncryptBuffer(const void* plain, unsigned long length, void** out, unsigned long* outLength);
void __cdecl KV_MemFree(void* pointer);

typedef int(__cdecl* KV_IsEncrypted_t)(const void*, unsigned long);
typedef int(__cdecl* KV_DecryptBuffer_t)(const void*, unsigned long, void**, unsigned long*);
typedef int(__cdecl* KV_EncryptBuffer_t)(const void*, unsigned long, void**, unsigned long*);
typedef void(__cdecl* KV_MemFree_t)(void*);

// The encrypted form begins with this header, followed by the cipher text.
enum { KVCRIPTO_MARKER = 0x4356CB9Bu, KVCRIPTO_VERSION = 1, KVCRIPTO_HEADER_SIZE = 24 };

typedef struct KVCriptoHeader {
    uint32_t marker;       // KVCRIPTO_MARKER
    uint32_t version;      // KVCRIPTO_VERSION
    uint32_t plainLength;  // length of the plain text
    uint8_t check[12];     // integrity check of the plain text
} KVCriptoHeader;

#ifdef __cplusplus
static_assert(sizeof(KVCriptoHeader) == 24, "encrypted header is 24 bytes");
static_assert(offsetof(KVCriptoHeader, plainLength) == 8, "plain length at offset 8");
static_assert(offsetof(KVCriptoHeader, check) == 12, "check at offset 12");
}
#endif
