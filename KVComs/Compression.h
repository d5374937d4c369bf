// Packing of a statistics file into a one-entry ZIP archive beside it, through lytczip (bound by
// ordinal).
#pragma once

#include <string>

#include "lytczip.h"

enum CompressResult {
    COMPRESS_OK = 0,
    COMPRESS_OPEN_FAILED = 1,
    COMPRESS_NO_ARCHIVE = 2,
    COMPRESS_ZIP_FAILED = 3,
    COMPRESS_CREATE_FAILED = 4
};

// The archive's path: the file's extension replaced by ".zip" (only the last path component is
// cut); ".zip" appended when there is no extension or the cut would give the file's own path.
std::string ArchivePathFor(const std::string& fullPath);

// Packs fullPath into ArchivePathFor(fullPath) with one entry named entryName.
int CompressToZip(const std::string& fullPath, const std::string& entryName);

// The lytczip calls (imported by ordinal); tests may install a table of their own.
struct ZipApi {
    CZIPInitialize_t Initialize;
    CZIPFinalize_t Finalize;
    CZIPDoAction_t DoAction;
    CZIPGetSizeBuffer_t GetSizeBuffer;
    CZIPGetBuffer_t GetBuffer;
};
void SetZipApi(const ZipApi* api); // null: the lytczip imports again
