// lytczip: ZIP archives built in memory. Shared by the library and by the modules that bind it
// (by ordinal) at run time.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

typedef struct ZipArchive ZipArchive;

// Result codes.
enum {
    CZIP_OK = 0,
    CZIP_ENTRY_NOT_STORED = 1,  // entry step: the directory element could not be stored (or limits reached)
    CZIP_DEST_TOO_SMALL = 2,    // CZIPGetBuffer: destination smaller than the archive
    CZIP_BAD_INPUT = 3,         // CZIPDoAction: the input stream cannot be created
    CZIP_WRITE_FAILED = 7,      // reading the input or writing the output fell short
    CZIP_ENTRY_FAILED = 8,      // CZIPDoAction: the entry step failed, see CZIPGetLastError
    CZIP_BAD_ARGUMENT = 9       // NULL archive or destination, negative length, failed seek
};

// Export ordinals.
enum {
    CZIP_ORD_INITIALIZE = 1,
    CZIP_ORD_FINALIZE = 2,
    CZIP_ORD_DOACTION = 3,
    CZIP_ORD_GETSIZEBUFFER = 4,
    CZIP_ORD_GETBUFFER = 5,
    CZIP_ORD_GETLASTERROR = 6
};

ZipArchive* __cdecl CZIPInitialize(int initialCapacity);
int __cdecl CZIPFinalize(ZipArchive* archive);
int __cdecl CZIPDoAction(ZipArchive* archive, const char* entryName, const void* data, int size);
int __cdecl CZIPGetSizeBuffer(ZipArchive* archive, int* size);
int __cdecl CZIPGetBuffer(ZipArchive* archive, void* destination, int length);
int __cdecl CZIPGetLastError(ZipArchive* archive);

typedef ZipArchive*(__cdecl* CZIPInitialize_t)(int);
typedef int(__cdecl* CZIPFinalize_t)(ZipArchive*);
typedef int(__cdecl* CZIPDoAction_t)(ZipArchive*, const char*, const void*, int);
typedef int(__cdecl* CZIPGetSizeBuffer_t)(ZipArchive*, int*);
typedef int(__cdecl* CZIPGetBuffer_t)(ZipArchive*, void*, int);
typedef int(__cdecl* CZIPGetLastError_t)(ZipArchive*);

#ifdef __cplusplus
}
#endif
