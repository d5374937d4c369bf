// RAR archives through the outside unpacker lyturar, loaded by full path from the work folder.
#pragma once

#include "RunFiles.h"
#include "lyturar.h"

#include <windows.h>

#include <string>

struct LyturarLibrary {
    HMODULE module = nullptr;
    URARInitialize_t initialize = nullptr;
    URARFinalize_t finalize = nullptr;
    URARDoAction_t doAction = nullptr;
    URARGetSizeBuffer_t getSizeBuffer = nullptr;
    URARGetBuffer_t getBuffer = nullptr;
    URARGetLastError_t getLastError = nullptr;
};

// All six exports must resolve; otherwise the library is released again.
bool LoadLyturar(const std::wstring& path, LyturarLibrary& library);
void ReleaseLyturar(LyturarLibrary& library);

enum : int {
    RAR_READ_FAILED = -1,   // the archive file cannot be read into memory
    RAR_NOTHING_IN_IT = -2, // the walk ended without any file
    RAR_UNSAFE_NAME = -3,   // a file name that would leave the folder
    RAR_CANNOT_WRITE = -4,  // a target that cannot be opened, or a short write
};

// 0 when every file was written; otherwise the unpacker's error or one of the codes above.
int RarExtract(const LyturarLibrary& library, const std::wstring& archive, const std::wstring& folder,
               RunFiles& written);
