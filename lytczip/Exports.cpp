// The six exported functions: argument checks around ZipArchive. Nothing here throws or logs.

#include "ZipArchive.h"

#include <windows.h>

#include <cstring>
#include <new>

extern "C" ZipArchive* __cdecl CZIPInitialize(int initialCapacity)
{
    if (initialCapacity < 0)
        return nullptr;
    ZipArchive* archive = new (std::nothrow) ZipArchive;
    if (!archive)
        return nullptr;
    if (!archive->output.OpenWrite(static_cast<size_t>(initialCapacity))) {
        delete archive;
        return nullptr;
    }
    SYSTEMTIME now;
    GetLocalTime(&now);
    archive->headerTemplate.stamp =
        lytczip::MakeDosStamp(now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond);
    archive->level = 9;
    archive->headerTemplate.method = 8;
    return archive;
}

extern "C" int __cdecl CZIPFinalize(ZipArchive* archive)
{
    delete archive;
    return CZIP_OK;
}

extern "C" int __cdecl CZIPDoAction(ZipArchive* archive, const char* entryName, const void* data, int size)
{
    if (!archive)
        return CZIP_BAD_ARGUMENT;
    if (!entryName || !data || size < 0)
        return CZIP_BAD_INPUT;
    archive->lastError = archive->AddEntry(entryName, std::strlen(entryName), data, static_cast<size_t>(size));
    return archive->lastError == CZIP_OK ? CZIP_OK : CZIP_ENTRY_FAILED;
}

extern "C" int __cdecl CZIPGetSizeBuffer(ZipArchive* archive, int* size)
{
    if (!archive || !size)
        return CZIP_BAD_ARGUMENT;
    // Entries that would pass the int range are refused when added, so this always fits.
    *size = static_cast<int>(archive->FinishedSize());
    return CZIP_OK;
}

extern "C" int __cdecl CZIPGetBuffer(ZipArchive* archive, void* destination, int length)
{
    if (!archive || !destination || length < 0)
        return CZIP_BAD_ARGUMENT;
    size_t size = archive->Finish();
    if (size == 0)
        return CZIP_WRITE_FAILED;
    if (static_cast<size_t>(length) < size)
        return CZIP_DEST_TOO_SMALL;
    std::memcpy(destination, archive->output.data(), size);
    return CZIP_OK;
}

extern "C" int __cdecl CZIPGetLastError(ZipArchive* archive)
{
    return archive ? archive->lastError : CZIP_BAD_ARGUMENT;
}
