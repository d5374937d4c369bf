// What the analyses of one program produce: counters, the list of detections, and the two kinds of XML
// document written into the local reports folder (AnalysisDetails and AnalysisData). Error records
// become reports of the error-report component. One instance per program.
#pragma once

#include "ReportEntry.h"

#include <ctime>
#include <string>
#include <vector>

class TessalyConfig;

// Error record passed to ScanResultData::ReportError. Codes 1 to 13 have fixed messages.
struct ScanErrorRecord {
    int code = 0;
    unsigned long systemError = 0; // GetLastError() when the record was made
    time_t created = 0;
    std::wstring text;
    int flag = 0;
};

// Counters of one analysis, or the totals of the run.
struct ScanCounters {
    unsigned long elements = 0;
    unsigned long files = 0;
    unsigned long messages = 0;
};

class ScanResultData {
public:
    // machineId: the braced machine identifier of this computer.
    ScanResultData(TessalyConfig& config, std::string& machineId);

    // --- State of the run and of the current analysis ---
    time_t startTime = 0;
    time_t endTime = 0;
    std::string analysisGuid; // braced audit instance identifier
    bool mail = false;
    bool memory = false;
    ScanCounters analysis;        // current analysis, recomputed from the progress records
    ScanCounters totals;          // the whole run
    std::vector<ReportEntry> reports; // detections of the current analysis, in order

    // Start of one analysis: copies the analysis GUID in, sets the kind flags, empties the report list
    // and the analysis counters.
    void BeginAnalysis(bool mailAnalysis, bool memoryAnalysis);
    // Adds a copy of the entry; with ReportType Online it is written at once as its own document.
    void AddReport(const ReportEntry& entry);

    // The AnalysisDetails step of the audit: at the start (totals cleared) and at the end of the analyses.
    void WriteAnalysisDetails(bool atStart);
    // 0 success, 8 failure.
    int SendAnalysisDetailsReport(bool atStart);
    // all: every entry of the report list, otherwise the newest one only. 0 success (also when there is
    // nothing to write), 8 encryption failure, non-zero on file errors.
    int SendMalwareReport(bool all);
    // After every analysis: the Grouped document, then the analysis counters join the totals.
    void EndAnalysis();
    void ReportError(const ScanErrorRecord& record);

    TessalyConfig& config() { return config_; }

    // Makes the braced GUID that names a document; NewBracedGuid unless a test replaces it.
    int (*newGuid)(std::string& text);
    // Encrypts a document when the configuration was encrypted: the crypto component's KV_EncryptBuffer
    // unless a test replaces it (the result is released with KV_MemFree).
    int(__cdecl* encryptBuffer)(const void* plain, unsigned long length, void** out, unsigned long* outLength);
    // Set by the scanner while the mail scanner's shared progress area is open: adds the mail
    // scanner's elements, files and messages to the counters given. Null: no mail counters.
    void (*addMailCounters)(ScanCounters& totals) = nullptr;

private:
    TessalyConfig& config_;
    std::string& machineId_;
};

// The fixed message of an error record's code; empty for codes without one.
const char* ScanErrorMessage(int code);
