// An archive built in memory: local headers and deflated data as entries are added, the central
// directory and end record when the archive is asked for.
#pragma once

#include "MemoryStream.h"
#include "lytczip.h"

#include <cstdint>
#include <string>
#include <vector>

namespace lytczip {

constexpr uint32_t kLocalHeaderSignature = 0x04034B50;
constexpr uint32_t kCentralHeaderSignature = 0x02014B50;
constexpr uint32_t kEndRecordSignature = 0x06054B50;
constexpr size_t kLocalHeaderSize = 30;
constexpr size_t kCentralHeaderSize = 46;
constexpr size_t kEndRecordSize = 22;
constexpr size_t kMaxEntries = 0xFFFF;   // entry counts are 16-bit fields
constexpr size_t kMaxNameLength = 0xFFFF;

struct DosStamp {
    uint16_t time;
    uint16_t date;
};

// MS-DOS time and date of a local time: the date's year field is year - 1980 for 1980 to 2107.
DosStamp MakeDosStamp(int year, int month, int day, int hour, int minute, int second);

// The fields that the local header and the directory element share.
struct EntryHeader {
    uint16_t versionNeeded = 10;
    uint16_t flags = 0;
    uint16_t method = 8;
    DosStamp stamp = {};
    uint32_t crc = 0;
    uint32_t compressedSize = 0;
    uint32_t uncompressedSize = 0;
    uint16_t nameLength = 0;
    uint16_t extraLength = 0;
};

struct DirectoryElement {
    EntryHeader header;
    uint32_t localHeaderOffset = 0;
    std::string name;
};

} // namespace lytczip

struct ZipArchive {
    lytczip::MemoryStream output;
    uint32_t entryOffset = 0;
    lytczip::EntryHeader headerTemplate;
    int level = 9;
    std::vector<lytczip::DirectoryElement> directory;
    int lastError = 0;

    // The exact size of the finished archive, computed in 64 bits.
    uint64_t FinishedSize() const;
    // One entry step; returns the step's code (kept in lastError by the caller).
    int AddEntry(const char* name, size_t nameLength, const void* data, size_t size);
    // Writes directory and end record at entryOffset; returns the archive size, or 0 on failure.
    size_t Finish();
};
