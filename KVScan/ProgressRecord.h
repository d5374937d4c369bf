// The progress file: a fixed-size binary record that tells a watching console how far a run is.
// It lies in the delivery base as "<instance identifier>.dat"; its layout is read by other programs and
// must never change.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

class TessalyConfig;

enum ProgressStatus {
    PROGRESS_STARTING = 0,
    PROGRESS_RUNNING = 1,
    PROGRESS_FINISHED = 2,
    PROGRESS_FAILED = -1,
    PROGRESS_REQUIREMENTS_NOT_MET = -2,
    PROGRESS_SIGNATURES_MISSING = -4,
};

// Text fields are UTF-16LE, zero-terminated and zero-padded.
struct ProgressRecord {
    int32_t size;                // always kProgressRecordSize
    wchar_t auditGuid[50];
    wchar_t progressId[50];      // "ProgressID.dat", or the computer name
    wchar_t instanceId[50];      // braced GUID text
    int32_t clientKind;          // 2 disinfection, 1 audit
    wchar_t destination[260];    // ReportsFolder when set, else ReportsFTP
    wchar_t reportsName[50];
    wchar_t suspiciousName[50];
    wchar_t quarantineName[50];
    int32_t status;              // ProgressStatus
    SYSTEMTIME changed;          // UTC time of the last status change
    int32_t percentage;          // 0..100
    wchar_t statisticsName[50];
    wchar_t filteredName[50];
};

const int32_t kProgressRecordSize = 1352;

static_assert(sizeof(wchar_t) == 2, "record texts are UTF-16");
static_assert(sizeof(SYSTEMTIME) == 16, "SYSTEMTIME is eight 16-bit fields");
static_assert(sizeof(ProgressRecord) == 1352, "ProgressRecord size");
static_assert(offsetof(ProgressRecord, size) == 0, "size");
static_assert(offsetof(ProgressRecord, auditGuid) == 4, "auditGuid");
static_assert(offsetof(ProgressRecord, progressId) == 104, "progressId");
static_assert(offsetof(ProgressRecord, instanceId) == 204, "instanceId");
static_assert(offsetof(ProgressRecord, clientKind) == 304, "clientKind");
static_assert(offsetof(ProgressRecord, destination) == 308, "destination");
static_assert(offsetof(ProgressRecord, reportsName) == 828, "reportsName");
static_assert(offsetof(ProgressRecord, suspiciousName) == 928, "suspiciousName");
static_assert(offsetof(ProgressRecord, quarantineName) == 1028, "quarantineName");
static_assert(offsetof(ProgressRecord, status) == 1128, "status");
static_assert(offsetof(ProgressRecord, changed) == 1132, "changed");
static_assert(offsetof(ProgressRecord, percentage) == 1148, "percentage");
static_assert(offsetof(ProgressRecord, statisticsName) == 1152, "statisticsName");
static_assert(offsetof(ProgressRecord, filteredName) == 1252, "filteredName");

// Copies text into a fixed field of capacity characters: cut to capacity - 1, terminated, zero-padded.
void SetFixedText(wchar_t* field, size_t capacity, const std::wstring& text);
template <size_t N> void SetFixedText(wchar_t (&field)[N], const std::wstring& text)
{
    SetFixedText(field, N, text);
}

// Reads a fixed field without relying on a terminator (a foreign file may hold none).
std::wstring FixedText(const wchar_t* field, size_t capacity);
template <size_t N> std::wstring FixedText(const wchar_t (&field)[N])
{
    return FixedText(field, N);
}

// Fills the whole record from the configuration with status and the current UTC time (percentage 0).
// False, with the record zeroed, when the run has no instance identifier yet: no record may be written.
bool FillProgressRecord(ProgressRecord& record, const TessalyConfig& config, int status);

// Sets status and the time of the change (now, UTC).
void SetProgressStatus(ProgressRecord& record, int status);

// True for a record that can be trusted as one of ours: the right size field and a braced GUID
// instance identifier within its field.
bool IsWellFormedRecord(const ProgressRecord& record);

// "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}" with hexadecimal digits, nothing more.
bool IsBracedGuidText(const std::wstring& text);
