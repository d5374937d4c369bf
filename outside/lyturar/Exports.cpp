// The exports of the unpacker stand-in. When a file "lyturar.journal" exists beside the DLL it
// appends one line per call to it; it reads "lyturar.faults" when an archive is opened: a line
// "FailDoActionAfter=N" makes URARDoAction fail with URAR_INJECTED once N files were handed out.
#include "lyturar.h"

#include "RarReader.h"
#include "StandInKit.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

namespace {

struct Unpacker {
    RarReader reader;
    RarFile current = {};
    bool haveFile = false;
    int lastResult = URAR_OK;
    int delivered = 0;
    int failAfter = -1;
};

HMODULE g_module = nullptr;

std::string BesideDll(const char* name)
{
    return standin_kit::FileBeside(g_module, name);
}

void Journal(const char* format, ...)
{
    std::string path = BesideDll("lyturar.journal");
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        return;
    FILE* file = fopen(path.c_str(), "ab");
    if (!file)
        return;
    va_list args;
    va_start(args, format);
    vfprintf(file, format, args);
    va_end(args);
    fputs("\r\n", file);
    fclose(file);
}

int ReadFailAfter()
{
    FILE* file = fopen(BesideDll("lyturar.faults").c_str(), "rb");
    if (!file)
        return -1;
    char line[128];
    int failAfter = -1;
    while (fgets(line, sizeof line, file))
        if (strncmp(line, "FailDoActionAfter=", 18) == 0)
            failAfter = atoi(line + 18);
    fclose(file);
    return failAfter;
}

Unpacker* Get(URARHANDLE handle)
{
    return static_cast<Unpacker*>(handle);
}

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        g_module = instance;
    return TRUE;
}

extern "C" URARHANDLE LYTURAR_CALL URARInitialize(int flags, const void* archive, unsigned long size)
{
    Journal("URARInitialize %d %lu", flags, size);
    if (!archive && size)
        return nullptr;
    Unpacker* unpacker = new (std::nothrow) Unpacker{RarReader(static_cast<const uint8_t*>(archive), size)};
    if (unpacker)
        unpacker->failAfter = ReadFailAfter();
    return unpacker;
}

extern "C" int LYTURAR_CALL URARFinalize(URARHANDLE handle)
{
    Journal("URARFinalize");
    delete Get(handle);
    return URAR_OK;
}

extern "C" int LYTURAR_CALL URARDoAction(URARHANDLE handle)
{
    Unpacker* unpacker = Get(handle);
    if (!unpacker)
        return URAR_BAD_ARGUMENT;
    if (unpacker->failAfter >= 0 && unpacker->delivered >= unpacker->failAfter)
        unpacker->lastResult = URAR_INJECTED;
    else
        unpacker->lastResult = unpacker->reader.Next(unpacker->current);
    unpacker->haveFile = unpacker->lastResult == URAR_OK;
    if (unpacker->haveFile) {
        ++unpacker->delivered;
        Journal("URARDoAction 0 %s %u", unpacker->current.name.c_str(), unpacker->current.size);
    } else {
        Journal("URARDoAction %d", unpacker->lastResult);
    }
    return unpacker->lastResult;
}

extern "C" int LYTURAR_CALL URARGetSizeBuffer(URARHANDLE handle, int item, unsigned long* size)
{
    Unpacker* unpacker = Get(handle);
    if (!unpacker || !size)
        return URAR_BAD_ARGUMENT;
    if (!unpacker->haveFile)
        return URAR_NO_FILE;
    if (item == URAR_ITEM_NAME)
        *size = static_cast<unsigned long>(unpacker->current.name.size() + 1);
    else if (item == URAR_ITEM_DATA)
        *size = unpacker->current.size;
    else
        return URAR_BAD_ARGUMENT;
    return URAR_OK;
}

extern "C" int LYTURAR_CALL URARGetBuffer(URARHANDLE handle, int item, void* buffer, unsigned long size)
{
    Unpacker* unpacker = Get(handle);
    unsigned long needed = 0;
    int result = URARGetSizeBuffer(handle, item, &needed);
    if (result != URAR_OK)
        return result;
    if ((!buffer && needed) || size < needed)
        return URAR_BAD_ARGUMENT;
    if (item == URAR_ITEM_NAME)
        std::memcpy(buffer, unpacker->current.name.c_str(), needed);
    else if (needed)
        std::memcpy(buffer, unpacker->current.data, needed);
    return URAR_OK;
}

extern "C" int LYTURAR_CALL URARGetLastError(URARHANDLE handle)
{
    Unpacker* unpacker = Get(handle);
    return unpacker ? unpacker->lastResult : URAR_BAD_ARGUMENT;
}
