// The payload appended to the launcher's executable: a plain sequence of entries, each a 528-byte
// header followed by the entry's data.
#pragma once

#include "RunFiles.h"

#include <stddef.h>
#include <stdint.h>

#include <string>

enum : uint32_t { PAYLOAD_MARKER = 0xB01D1614u };
enum : size_t { PAYLOAD_NAME_CHARS = 260 };

struct PayloadEntryHeader {
    uint32_t marker;                      // PAYLOAD_MARKER
    uint32_t size;                        // data bytes after the header
    uint16_t name[PAYLOAD_NAME_CHARS];    // UTF-16LE, NUL-terminated, rest zero
};
static_assert(sizeof(PayloadEntryHeader) == 528, "payload entry header is 528 bytes");
static_assert(offsetof(PayloadEntryHeader, size) == 4, "size at offset 4");
static_assert(offsetof(PayloadEntryHeader, name) == 8, "name at offset 8");

// First byte after the last section of a PE file (the largest raw-data pointer plus its size);
// -1 when the file is not a PE image.
int64_t FindPayloadStart(const std::wstring& exePath);

struct ExtractReport {
    int entries = 0; // headers read
    int failed = 0;  // entries refused, not created or written short
};

// Creates folder (and its missing parents), makes it the current directory and writes every entry
// of the payload of exePath into it. Reading stops at the end of the file or at the first header
// whose marker is wrong. True when every entry was written completely.
bool ExtractPayload(const std::wstring& exePath, const std::wstring& folder, RunFiles& written,
                    ExtractReport* report = nullptr);
