// The maker's quarantine element manager, "zosqem.dll": the start and the end of a manager.
// Calling convention: stdcall, exported undecorated (names as below). Every call returns 0 on success
// and an error number otherwise.
#pragma once

#include <cstddef>
#include <cstdint>

#define QEM_API __stdcall

extern "C" {

// The start block: eight 32-bit words on 32-bit Windows (pointers widen on 64-bit).
struct QEM_START_BLOCK {
    uint32_t version;            // 1
    const char* clientId;        // installation identifier, at most 32 characters
    const char* appRefVersion;   // at most 32 characters
    const char* productName;     // "Morvik", at most 20 characters
    const char* clientVersion;   // at most 11 characters
    uint32_t mode;               // 2
    const char* userName;        // at most 32 characters
    const char* folder;          // the suspicious-files folder, at most 260 characters
};

#ifndef _WIN64
static_assert(sizeof(QEM_START_BLOCK) == 32, "eight 32-bit words");
static_assert(offsetof(QEM_START_BLOCK, mode) == 20, "mode word");
static_assert(offsetof(QEM_START_BLOCK, folder) == 28, "folder pointer");
#endif

typedef uintptr_t QEM_MANAGER; // also the client identifier handed to the engine (ZOSCAN_CFG_QEM_CLID)

int QEM_API QEM_InitializeQuarantineManager(const QEM_START_BLOCK* block, QEM_MANAGER* manager);
int QEM_API QEM_FinalizeQuarantineManager(QEM_MANAGER* manager);

typedef int(QEM_API* QEM_InitializeQuarantineManager_t)(const QEM_START_BLOCK*, QEM_MANAGER*);
typedef int(QEM_API* QEM_FinalizeQuarantineManager_t)(QEM_MANAGER*);
}
