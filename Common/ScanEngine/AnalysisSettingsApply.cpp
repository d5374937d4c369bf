// Sending a setting sequence, and the three configurations of the adapter.

#include "AdapterState.h"
#include "AnalysisSettings.h"
#include "AnalysisSystem.h"
#include "KVLog.h"
#include "ScanCallbacks.h"
#include "ScanHooks.h"
#include "ScopeLogger.h"
#include "TessalyConfig.h"

#include <windows.h>

int SendSettings(AnalysisSystem& system, SettingSequence& steps, const char* module)
{
    for (SettingStep& step : steps) {
        if (!step.log.empty())
            KV_GenerateLog(module, KV_SOURCE_FILE, __LINE__, "%s", step.log.c_str());
        if (step.item == 0)
            continue; // a log line of its own
        uintptr_t value = step.buffer.empty() ? step.value : reinterpret_cast<uintptr_t>(step.buffer.data());
        int result = system.configure(step.item, value);
        if (!step.log.empty())
            KV_GenerateLog(module, KV_SOURCE_FILE, __LINE__, "    Returned value: %d", result);
        // The engine copies what it needs: list and identifier buffers are freed right after the call.
        std::vector<char>().swap(step.buffer);
        if (result != 0 && step.checked)
            return result;
    }
    return 0;
}

namespace {

SettingInputs Inputs(ZoScanCallback callback)
{
    AdapterState& state = Adapter();
    SettingInputs in;
    in.config = state.config;
    in.machineId = state.machineId;
    in.qemClientId = state.qemClientId;
    in.commObject = state.commObject;
    in.callback = callback;
    in.hiddenSensitivity = state.currentSensitivity;
    return in;
}

// One directory level each; failures are ignored.
void CreateWorkFolders(const TessalyConfig& config)
{
    CreateDirectoryW(config.quarantinePath.c_str(), nullptr);
    CreateDirectoryW(config.suspiciousPath.c_str(), nullptr);
}

void TellStatistics(const TessalyConfig& config, int level, int mode)
{
    if (config.generateStatistics && Hooks().statSetHeuristicInfo)
        Hooks().statSetHeuristicInfo(level, static_cast<unsigned>(mode));
}

} // namespace

int configureAnalysis(AnalysisSystem& system, int kind)
{
    AdapterState& state = Adapter();
    KV_SCOPE(state.module(), "configureAnalysis");
    const TessalyConfig& config = *state.config;
    SettingSequence steps = AnalysisSequence(Inputs(standardCallback), kind);
    // The quarantine system, the client identifier, the actions; then the work folders, before the
    // callback is set.
    size_t beforeFolders = 0;
    while (beforeFolders < steps.size() && steps[beforeFolders].item != ZOSCAN_CFG_INDICATE_GENERICAL_CALLBACK)
        ++beforeFolders;
    SettingSequence head(std::make_move_iterator(steps.begin()), std::make_move_iterator(steps.begin() + beforeFolders));
    SettingSequence tail(std::make_move_iterator(steps.begin() + beforeFolders), std::make_move_iterator(steps.end()));
    if (int result = SendSettings(system, head, state.module()))
        return result;
    CreateWorkFolders(config);
    int level = 0, mode = 0;
    HeuristicLevel(SensitivityOfKind(config, kind), level, mode);
    TellStatistics(config, level, mode);
    return SendSettings(system, tail, state.module());
}

int configureIntensiveAnalysis(AnalysisSystem& system)
{
    AdapterState& state = Adapter();
    KV_SCOPE(state.module(), "configureIntensiveAnalysis");
    const TessalyConfig& config = *state.config;
    CreateWorkFolders(config);
    if (config.diskHeuristicSensitivity != HEURISTIC_OFF)
        TellStatistics(config, 3, 1);
    SettingSequence steps = IntensiveSequence(Inputs(intensiveCallback));
    return SendSettings(system, steps, state.module());
}

int configureDisinfection(AnalysisSystem& system)
{
    AdapterState& state = Adapter();
    KV_SCOPE(state.module(), "configureDisinfection");
    SettingSequence steps = DisinfectionSequence(Inputs(standardCallback));
    return SendSettings(system, steps, state.module());
}
