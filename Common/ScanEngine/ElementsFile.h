// The elements file of a disinfection run: one detection per line, in the form of a reference text
// ("<type>;<sub-type>;<Base64 of the engine's detection data>"), named by the audit's AuditGUID in the
// program's folder. Each line becomes one engine item of kind 0x50000.
#pragma once

#include "ZoScanRecords.h"

#include <cstdint>
#include <string>
#include <vector>

// The longest line taken, without its line feed; longer lines are skipped whole.
constexpr size_t kMaxElementLine = 4095;

struct DisinfectionElement {
    uint32_t type = 0;
    uint32_t subType = 0;
    std::vector<uint8_t> data; // decoded detection data
};

// The three records handed to the engine for one element; they point into the element and into
// themselves, so the element must outlive the add call (the engine copies what it needs).
struct DisinfectionItemRecords {
    ZoDetectionDataRecord data;
    ZoMalwareRecord malware;
    ZoDetectionItemRecord item;
};

enum ElementsFileResult {
    ELEMENTS_READ = 0,
    ELEMENTS_MISSING = 1,    // no readable file of that name (or the name is refused)
    ELEMENTS_NOT_OPENED = 2, // it exists but could not be opened
};

// programFolder + "\" + the AuditGUID in narrow text. false (path empty) when the value is empty or could
// leave the folder: a "\", "/" or ":" or a "..".
bool ElementsFilePath(const std::string& programFolder, const std::wstring& auditGuid, std::string& path);

// One line without its line end: "7;2;QUJD" gives type 7, sub-type 2 and the bytes "ABC". Without a ";"
// after the first character the whole line is the Base64 text (type and sub-type 0); likewise for the
// second ";" (sub-type 0, the rest is the Base64 text). Damaged Base64 gives the bytes decoded so far.
DisinfectionElement ParseElementLine(const std::string& line);

// Reads every line; empty lines and lines longer than kMaxElementLine are skipped (the latter logged
// under module).
int ReadElementsFile(const std::string& path, const char* module, std::vector<DisinfectionElement>& elements);

// The records of one element: the malware record carries type and sub-type unless the type is 0, 13 or 16.
void BuildItemRecords(const DisinfectionElement& element, DisinfectionItemRecords& records);
