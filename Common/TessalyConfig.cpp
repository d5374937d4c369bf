// Defaults and the texts of the configuration's enumerations.
#include "TessalyConfig.h"

namespace {

const char* TextOf(int value, const char* const* texts, int count)
{
    return value >= 0 && value < count ? texts[value] : "Invalid";
}

} // namespace

TessalyConfig::TessalyConfig() = default;

const char* MalwareActionText(int action)
{
    static const char* const kTexts[] = {"disinfect", "inform",     "Notify", "Restart",
                                         "Ignore",    "Delete",     "Quarantine", "Rename"};
    return TextOf(action, kTexts, 8);
}

const char* RestartPolicyText(int policy)
{
    static const char* const kTexts[] = {"Notify", "Restart", "Ignore"};
    return TextOf(policy, kTexts, 3);
}

const char* HeuristicSensitivityText(int sensitivity)
{
    static const char* const kTexts[] = {"High", "Medium", "Low", "Off", "Intensive"};
    return TextOf(sensitivity, kTexts, 5);
}
