#include "AdapterState.h"

#include "ScanHooks.h"
#include "ScanResultData.h"
#include "TessalyConfig.h"

AdapterState& Adapter()
{
    static AdapterState state;
    return state;
}

ScanHooks& Hooks()
{
    static ScanHooks hooks;
    return hooks;
}

const char* AdapterState::module() const
{
    return config ? config->logModule.c_str() : "KvScan";
}

void BindAdapter(TessalyConfig& config, ScanResultData& results, const std::string& machineId)
{
    AdapterState& state = Adapter();
    state.config = &config;
    state.results = &results;
    state.machineId = machineId;
}

bool OpenFilteredElementsForAppend()
{
    AdapterState& state = Adapter();
    std::string guid = state.results ? state.results->analysisGuid : std::string();
    if (guid.empty() && state.config)
        guid = state.config->instanceId;
    if (!state.config || !state.filtered.OpenForAppend(FilteredElementsPath(*state.config), guid))
        return false;
    state.filteredCreated = true;
    return true;
}

void CloseFilteredElements()
{
    Adapter().filtered.Close();
}

void RethrowPending()
{
    AdapterState& state = Adapter();
    if (state.pending) {
        std::exception_ptr pending = state.pending;
        state.pending = nullptr;
        std::rethrow_exception(pending);
    }
}
