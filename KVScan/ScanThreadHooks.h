// Calls of the analysis sequence into parts of the scanner that other pieces provide: the signature
// update and the statistics library (bound on first use), the progress window and the mail scanner's
// shared block and launch. A null entry means that part is absent: the sequence logs it and goes on as
// the component's failure answer would make it go on. Tests replace entries with fakes.
#pragma once

#include <string>

// What the signature update needs from the configuration (KVCOMS_SIGUPDATE is filled from it).
struct SigUpdateRequest {
    std::string proxyServer, proxyPort, proxyUser, proxyPassword; // all empty without ProxyServer
    std::string agent;                                            // the platform version text
    int(__stdcall* progress)(int percent) = nullptr;
};

struct ScanThreadCalls {
    // KVCOMS_CheckQelsig: 1 up to date or updated; 0 no update possible; 4003-4005 failures.
    int (*checkQelsig)(const SigUpdateRequest& request) = nullptr;
    // KVSTAT_ReadQelSigInfo(folder): 0 parameters found, 10 not. KVSTAT_GetSendFrequency: parts per 10000.
    int (*readQelSigInfo)(const char* folder) = nullptr;
    int (*getSendFrequency)() = nullptr;
    // KVSTAT_AddResultsFromFile: 0, or -1 when the file cannot be opened or holds no data.
    int (*addResultsFromFile)(const char* path) = nullptr;
    // The draw of the statistics decision, 0..9999 (the seeded run-time generator by default).
    int (*drawRandom)() = nullptr;

    // Progress window: the translated default title and additional text, its thread, and the
    // configuring state with the setup position 0..100.
    std::wstring (*defaultWindowTitle)() = nullptr;
    std::wstring (*defaultAdditionalText)() = nullptr;
    void (*progressWindowThread)(void* instance) = nullptr;
    void (*setConfiguring)(bool configuring, int position) = nullptr;
    // What the Yes answer of the stop question does in the window (status shown cleared, finishing set).
    void (*windowStopRequested)() = nullptr;

    // Shared block of the mail scanner: created and released by RunScan; false when it cannot be made.
    bool (*createMailBlock)() = nullptr;
    void (*releaseMailBlock)() = nullptr;
    void (*setMailStatistics)(bool produce) = nullptr;
    void (*setMailInstanceId)(const std::string& instanceId) = nullptr;
    void (*requestMailStop)() = nullptr;
    // LaunchKVMailScan: the mail scanner's result, -1 or 1 when it could not run.
    int (*launchMailScan)() = nullptr;
};

ScanThreadCalls& ScanCalls();
