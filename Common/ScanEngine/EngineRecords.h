// The two initialisation records handed to the engine, filled from the program's folder and the
// application reference version. The layouts are the engine's own (ZoScanRecords.h, shared with it).
#pragma once

#include "ZoScanRecords.h"

#include <string>

// Both records are 32-bit layouts; the x86_64 test build keeps the field order with wider pointers.
#ifndef _WIN64
static_assert(sizeof(ZoAnalysisSystemRecord) == 12, "analysis-system record is 12 bytes");
static_assert(offsetof(ZoAnalysisSystemRecord, installationId) == 4, "installation identifier pointer");
static_assert(offsetof(ZoAnalysisSystemRecord, appRefVersion) == 8, "application version pointer");
static_assert(sizeof(ZoScanSystemRecord) == 78, "scan-system record is 78 bytes, packed");
static_assert(offsetof(ZoScanSystemRecord, folder1) == 4 && offsetof(ZoScanSystemRecord, folder2) == 8,
              "folder pointers");
static_assert(offsetof(ZoScanSystemRecord, installationId) == 12, "installation identifier text");
static_assert(offsetof(ZoScanSystemRecord, appRefVersion) == 45, "application version text");
#endif
static_assert(sizeof(ZoScanSystemRecord::installationId) == 33 && sizeof(ZoScanSystemRecord::appRefVersion) == 33,
              "33-byte texts");

// The installation identifier of a program folder: 32 lower-case hexadecimal characters (the hash of the
// folder's short path). For the running program this equals ProgramFolderHash().
std::string InstallationIdentifier(const std::string& programFolder);

// Copies id and version (at most 32 characters each, NUL-terminated) into 33-byte buffers and points the
// record at them.
void FillAnalysisSystemRecord(ZoAnalysisSystemRecord& record, char (&idBuffer)[33], char (&versionBuffer)[33],
                              const std::string& installationId, const std::string& appRefVersion);

// Zeroes the record and fills size, both folder pointers and the two texts (at most 32 characters each).
void FillScanSystemRecord(ZoScanSystemRecord& record, char* folder1, char* folder2,
                          const std::string& installationId, const std::string& appRefVersion);
