// The engine settings of an analysis, as data: each sequence is the ordered list of (item, value, log
// text, checked) that configureAnalysis, configureIntensiveAnalysis and configureDisinfection send with
// AnalysisSystem::configure. Building a sequence has no side effects; sending it logs each step and
// stops at the first refused checked step.
#pragma once

#include "ZoScanRecords.h"

#include <cstdint>
#include <string>
#include <vector>

class AnalysisSystem;
class TessalyConfig;

struct SettingStep {
    uint32_t item = 0;
    uintptr_t value = 0;
    std::string log;          // logged before the call; empty: the step is not logged
    bool checked = true;      // a non-zero result ends the sequence
    std::vector<char> buffer; // when not empty the value is the buffer's address (lists, machine id)
};
typedef std::vector<SettingStep> SettingSequence;

// What a sequence is built from besides the configuration.
struct SettingInputs {
    const TessalyConfig* config = nullptr;
    std::string machineId;         // braced MUID
    uintptr_t qemClientId = 0;
    void* commObject = nullptr;
    ZoScanCallback callback = nullptr;
    int hiddenSensitivity = 0;     // intensive: the sensitivity the last analysis of the run left
};

// Analysis kinds of configureAnalysis.
enum AnalysisKind { ANALYSIS_KIND_DISK = 0, ANALYSIS_KIND_MEMORY = 1, ANALYSIS_KIND_MAIL = 4 };

// --- Derived values ---
// SecondaryAction -> engine action.
uint32_t SecondAction(int secondaryAction);
// Heuristic level (0..3) and mode (1 or 2) of a sensitivity.
void HeuristicLevel(int sensitivity, int& level, int& mode);
// The sensitivity that applies to an analysis kind.
int SensitivityOfKind(const TessalyConfig& config, int kind);
// ZOSCAN_CFG_HIDDEN_INFO_DETECTION: 3 on Windows 2000 and XP, 2 elsewhere, 0 without HiddenFileAnalysis.
uint32_t HiddenInfoValue(const TessalyConfig& config);
uint32_t HiddenDetectionAction(int sensitivity);
// The 16 binary bytes of a braced GUID text in a zeroed 17-byte buffer; a text that is not a
// 38-character braced GUID gives 16 zero bytes and valid = false.
std::vector<char> MachineIdBuffer(const std::string& bracedId, bool& valid);
// Entries packed one after another, each NUL-terminated, with a final NUL. Folders go through the path
// macros first (an expanded entry may be longer than the raw one).
std::vector<char> PackFolderList(const std::vector<std::wstring>& folders);
std::vector<char> PackList(const std::vector<std::wstring>& entries);
// Both cloud items are on only when the results go to the server (no reports folder, no FTP).
bool CloudEnabled(const TessalyConfig& config);
// Engine action names for the log ("ZOSCAN_ACTION_IGNORE", ...).
const char* ActionName(uint32_t action);

// --- Sequences ---
SettingSequence AnalysisSequence(const SettingInputs& inputs, int kind);
SettingSequence IntensiveSequence(const SettingInputs& inputs);
SettingSequence DisinfectionSequence(const SettingInputs& inputs);

// Sends the steps in order; logs each logged step and its result ("    Returned value: %d"). Returns
// 0, or the first non-zero result of a checked step.
int SendSettings(AnalysisSystem& system, SettingSequence& steps, const char* module);

// The three configurations of the adapter (inputs from Adapter(); folders created, statistics told).
int configureAnalysis(AnalysisSystem& system, int kind);
int configureIntensiveAnalysis(AnalysisSystem& system);
int configureDisinfection(AnalysisSystem& system);
