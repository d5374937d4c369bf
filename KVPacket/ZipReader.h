// The launcher's own ZIP reader: it walks the local headers of an archive on disk and writes each
// entry below a folder (stored and deflated entries, each checked against its CRC-32).
#pragma once

#include "RunFiles.h"

#include <windows.h>

#include <string>

enum ZipResult {
    ZIP_OK = 0,
    ZIP_NO_MEMORY = -2,
    ZIP_CANNOT_OPEN = -3,  // the archive, or an entry's target, cannot be opened or written
    ZIP_TRUNCATED = -5,    // an entry's data ends early or does not inflate
    ZIP_BAD_METHOD = -6,   // a method other than stored and deflated
    ZIP_NOT_ARCHIVE = -7,  // the local headers are not followed by the central directory
    ZIP_BAD_CRC = -8,      // an entry's data does not match its CRC-32
    ZIP_UNSAFE_NAME = -9,  // an entry name that would leave the folder
};

enum class ZipFolders {
    Keep,    // sub-folders of entry names are created below the folder; folder entries too
    Flatten, // each entry is written directly into the folder under its last name component
};

struct ZipOptions {
    UINT nameCodePage = 850;    // code page of the stored names
    UINT targetCodePage = 1252; // characters it lacks become '_'
    ZipFolders folders = ZipFolders::Keep;
};

// The target name of a stored entry name: '/' becomes '\', bytes are read in nameCodePage and
// characters without a counterpart in targetCodePage become '_'.
std::wstring ZipEntryName(const std::string& stored, const ZipOptions& options);

// 0, or the code of the last failure (the other entries are still written).
int ZipExtract(const std::wstring& archive, const std::wstring& folder, const ZipOptions& options,
               RunFiles& written);
