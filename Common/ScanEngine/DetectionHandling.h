// What the program does with the engine's questions and analysis results: the answer to a question,
// and for each result the report entry, the filtered-elements record, the restart-needed flag and the
// statistics call.
#pragma once

#include "ReportEntry.h"
#include "ZoScanRecords.h"

#include <cstdint>
#include <string>

// Callback type 4: writes the answer into the record's action word.
void questionHandler(ZoQuestionRecord* question);
// Callback type 0x80 of a memory, disk or mail analysis without Disinfection.
void auditResultHandler(const ZoResultRecord* result);
// Callback type 0x80 of the intensive analysis.
void intensiveResultHandler(const ZoResultRecord* result);
// Callback type 0x80 of any analysis with Disinfection set.
void disinfectionResultHandler(const ZoResultRecord* result);

// Report entry codes.
uint32_t MalwareTypeCode(uint32_t malwareType, uint32_t subType);
// wasRunning is set to 1 for a process in memory.
uint32_t LocationCode(uint32_t locationWord, uint32_t elementType, uint32_t& wasRunning);
uint32_t ActionCode(uint32_t analysisState, uint32_t rebootPending);

// "<type>;<sub-type>;<Base64>".
std::string ReferenceText(uint32_t malwareType, uint32_t subType, const std::string& base64);
// The element's digest as 32 upper-case hexadecimal digits.
std::string DigestText(const uint8_t (&md5)[16]);
// The element path of a report entry: UTF-8 straight to UTF-16, then, for a path that exists, every
// part after the first replaced by the shell's display name; an extension the display name hides is
// kept.
std::wstring ResolveElementPath(const char* utf8);
// Entries still waiting for their container when an analysis ends: reported with their own action code.
void FlushWaitingEntries();
