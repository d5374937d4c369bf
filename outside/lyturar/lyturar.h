// The RAR unpacking component (lyturar.dll): it walks an archive held in the caller's memory and
// hands out each file's name and data in archive order.
//
// Calling convention: every export is cdecl with plain integer and pointer arguments. Callers
// that bind by name use the names below; callers that bind by ordinal use the ordinals 1 to 6 in
// the order of the declarations.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

#define LYTURAR_CALL __cdecl

// Results of URARDoAction, URARGetSizeBuffer, URARGetBuffer and URARGetLastError.
enum LytUrarResult {
    URAR_OK = 0,
    URAR_BAD_ARGUMENT = 1,   // null handle or buffer, unknown item, buffer too small
    URAR_NO_MEMORY = 2,
    URAR_NO_FILE = 3,        // no current file (URARDoAction not called or past the end)
    URAR_END = 9,            // no more files
    URAR_NOT_RAR = 10,       // no RAR 1.5-4.x marker block
    URAR_BAD_HEADER = 11,    // a header that leaves the archive or is too short for its fields
    URAR_HEADER_CRC = 12,    // a header whose check value does not match
    URAR_DATA_CRC = 13,      // file data whose CRC-32 does not match
    URAR_COMPRESSED = 14,    // a file packed with a method other than store
    URAR_SOLID = 15,         // a solid archive or solid file
    URAR_ENCRYPTED = 16,     // encrypted headers or file data
    URAR_MULTIVOLUME = 17,   // a volume of a multi-volume archive, or a file split across volumes
    URAR_TOO_LARGE = 18,     // a file of 4 GiB or more
    URAR_INJECTED = 19,      // a failure asked for by the fault file (stand-in only)
};

// Items of URARGetSizeBuffer / URARGetBuffer.
enum LytUrarItem { URAR_ITEM_NAME = 1, URAR_ITEM_DATA = 2 };

typedef void* URARHANDLE;

// flags: 0. The archive memory stays the caller's until URARFinalize. Null when memory is short.
URARHANDLE LYTURAR_CALL URARInitialize(int flags, const void* archive, unsigned long size);
int LYTURAR_CALL URARFinalize(URARHANDLE handle);
// Moves to the next file (folders are passed over): URAR_OK, URAR_END or an error.
int LYTURAR_CALL URARDoAction(URARHANDLE handle);
// Size of the current file's name (ANSI, with its terminator) or data.
int LYTURAR_CALL URARGetSizeBuffer(URARHANDLE handle, int item, unsigned long* size);
int LYTURAR_CALL URARGetBuffer(URARHANDLE handle, int item, void* buffer, unsigned long size);
// Result of the last URARDoAction.
int LYTURAR_CALL URARGetLastError(URARHANDLE handle);

typedef URARHANDLE(LYTURAR_CALL* URARInitialize_t)(int, const void*, unsigned long);
typedef int(LYTURAR_CALL* URARFinalize_t)(URARHANDLE);
typedef int(LYTURAR_CALL* URARDoAction_t)(URARHANDLE);
typedef int(LYTURAR_CALL* URARGetSizeBuffer_t)(URARHANDLE, int, unsigned long*);
typedef int(LYTURAR_CALL* URARGetBuffer_t)(URARHANDLE, int, void*, unsigned long);
typedef int(LYTURAR_CALL* URARGetLastError_t)(URARHANDLE);

#ifdef __cplusplus
}
#endif
