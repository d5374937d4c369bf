// The answer to the engine's question about a detection (callback type 4).

#include "AdapterState.h"
#include "DetectionHandling.h"
#include "KVLog.h"
#include "MalwareScanDbg.h"
#include "ScopeLogger.h"
#include "SentSuspicious.h"
#include "TessalyConfig.h"
#include "TextHelpers.h"

#include <algorithm>
#include <cstring>

namespace {

bool Contains(const std::vector<std::wstring>& list, const std::wstring& text)
{
    return std::find(list.begin(), list.end(), text) != list.end();
}

// Excluded by name, or a disinfect list that does not name it.
bool MustNotDisinfect(const TessalyConfig& config, const std::wstring& name)
{
    if (Contains(config.excludeMalwareList, name))
        return true;
    return !config.disinfectMalwareList.empty() && !Contains(config.disinfectMalwareList, name);
}

// The configured action of a malware type's group; -1 for types without one.
int GroupAction(const TessalyConfig& config, uint32_t malwareType)
{
    switch (malwareType) {
    case ZOSCAN_MALWARE_VIRUS: return config.virusAction;
    case ZOSCAN_MALWARE_JOKE: return config.jokesAction;
    case ZOSCAN_MALWARE_DIALER: return config.dialersAction;
    case ZOSCAN_MALWARE_HACKING_TOOL:
    case ZOSCAN_MALWARE_HACKING_TOOL_2: return config.hackingToolsAction;
    case ZOSCAN_MALWARE_SECURITY_RISK: return config.securityRiskAction;
    case ZOSCAN_MALWARE_SPYWARE:
    case ZOSCAN_MALWARE_SPYWARE_2: return config.spywareAction;
    case ZOSCAN_MALWARE_TRACKING_COOKIE: return config.cookiesAction;
    default: return -1;
    }
}

} // namespace

void questionHandler(ZoQuestionRecord* question)
{
    AdapterState& state = Adapter();
    const char* module = state.module();
    TessalyConfig& config = *state.config;
    question->action = ZOSCAN_ACTION_IGNORE;

    const char* name = question->malwareName ? question->malwareName : "";
    if (MustNotDisinfect(config, ToWide(std::string(name)))) {
        KV_GenerateLog(module, KV_SOURCE_FILE, __LINE__, "Malware [%s] found but it must not be disinfected.", name);
        return;
    }

    const ZoElementRecord* element = question->element;
    const char* rawPath = element && element->path ? element->path : "";
    std::wstring path = Utf8ToWide(rawPath);
    std::wstring upper = ToUpperWide(path.c_str());
    if (Contains(config.answeredPaths, upper)) {
        KV_GenerateLog(module, KV_SOURCE_FILE, __LINE__, "Malware [%s] found but it was previously detected.",
                       ToNarrow(path).c_str());
        return;
    }
    config.answeredPaths.push_back(upper);

    if (question->malwareType == ZOSCAN_MALWARE_SUSPICIOUS) {
        // A sample the service has not accepted yet goes to the quarantine store; listed ones are left.
        if (element) {
            SentListResult listed = IsSentSuspicious(DigestText(element->md5));
            if (listed == SENT_LIST_NOT_LISTED)
                question->action = ZOSCAN_ACTION_COPY_QUARANTINE;
        }
    } else if (GroupAction(config, question->malwareType) == MALWARE_DISINFECT) {
        question->action = ZOSCAN_ACTION_DISINFECT;
    }

    KV_GenerateLog(module, KV_SOURCE_FILE, __LINE__, "--ASK--");
    if (element)
        DumpElement(module, *element);
    DumpPossibleActions(module, question->possibleActions);
    DumpRequestedAction(module, question->action);
}
