// The three setting sequences. Each step is (item, value, log text, checked); the order is the
// engine's order of configuration.

#include "AnalysisSettings.h"

#include "TessalyConfig.h"
#include "TextHelpers.h"

#include <cstdio>

namespace {

const uint32_t kCallbackTypes = 0xA7; // progress, generic, question, event, result
const uint32_t kProductId = 183;
const uint32_t kSubproductId = 16;
const uint32_t kMaxConnectionsPerDay = 1000;
const uint32_t kMaxPackedFileKb = 0x10000;
const uint32_t kMd5SuspectDetectionHash = 3;

std::string Format(const char* format, long long value)
{
    char text[160];
    snprintf(text, sizeof text, format, value);
    return text;
}

std::string Item(const char* name, const char* value) // "Configuration: Item NAME, Value VALUE"
{
    return std::string("Configuration: Item ") + name + ", Value " + value;
}

std::string ItemNoComma(const char* name, const char* value)
{
    return std::string("Configuration: Item ") + name + " Value " + value;
}

std::string ItemNumber(const char* name, long long value)
{
    return Item(name, Format("%lld", value).c_str());
}

const char* TrueFalse(bool value)
{
    return value ? "TRUE" : "FALSE";
}

#define NAME(item) item, #item

class Builder {
public:
    explicit Builder(bool logged) : logged_(logged) {}
    // The step's log text is kept only when this part of the sequence is logged.
    void add(uint32_t item, uintptr_t value, const std::string& log, bool checked = true)
    {
        SettingStep step;
        step.item = item;
        step.value = value;
        step.log = logged_ ? log : std::string();
        step.checked = checked;
        steps.push_back(std::move(step));
    }
    void addBuffer(uint32_t item, std::vector<char> buffer, const std::string& log)
    {
        add(item, 0, log);
        steps.back().buffer = std::move(buffer);
    }
    void logged(bool on) { logged_ = on; }
    SettingSequence steps;

private:
    bool logged_;
};

void Flag(Builder& b, uint32_t item, const char* name, bool value)
{
    b.add(item, value ? 1 : 0, Item(name, TrueFalse(value)));
}

void SecondActions(Builder& b, const TessalyConfig& config, bool enabled)
{
    if (enabled) {
        b.add(ZOSCAN_CFG_ENABLE_SECOND_ACTION, 1, Item("ZOSCAN_CFG_ENABLE_SECOND_ACTION", "TRUE"));
        uint32_t second = SecondAction(config.secondaryAction);
        b.add(ZOSCAN_CFG_SECOND_ACTION, second, Item("ZOSCAN_CFG_SECOND_ACTION", ActionName(second)));
    } else {
        b.add(ZOSCAN_CFG_ENABLE_SECOND_ACTION, 0, Item("ZOSCAN_CFG_ENABLE_SECOND_ACTION", "FALSE"));
    }
}

void Callback(Builder& b, ZoScanCallback callback)
{
    uintptr_t address = reinterpret_cast<uintptr_t>(callback);
    b.add(ZOSCAN_CFG_INDICATE_GENERICAL_CALLBACK, address,
          Item("ZOSCAN_CFG_INDICATE_GENERICAL_CALLBACK", Format("%d", static_cast<int>(address)).c_str()));
    b.add(ZOSCAN_CFG_ACTIVATED_CALLBACK_TYPES, kCallbackTypes,
          ItemNumber("ZOSCAN_CFG_ACTIVATED_CALLBACK_TYPES", kCallbackTypes));
}

void Categories(Builder& b, const TessalyConfig& config)
{
    const struct {
        uint32_t item;
        const char* name;
        bool on;
    } switches[] = {
        {NAME(ZOSCAN_CFG_CONFIGURE_SPYWARE_SCAN), config.activateSpywareScan},
        {NAME(ZOSCAN_CFG_ACTIVATE_JOKES_SCAN), config.activateJokesScan},
        {NAME(ZOSCAN_CFG_ACTIVATE_DIALERS_SCAN), config.activateDialersScan},
        {NAME(ZOSCAN_CFG_CONFIGURE_HACKING_TOOLS_SCAN), config.activateHackingToolsScan},
        {NAME(ZOSCAN_CFG_ACTIVATE_SECURITY_RISKS_SCAN), config.activateSecurityRiskScan},
        {NAME(ZOSCAN_CFG_ACTIVATE_TRACKING_COOKIE_SCAN), config.activateCookiesScan},
    };
    for (const auto& s : switches)
        b.add(s.item, s.on ? 1 : 0, ItemNumber(s.name, s.on ? 1 : 0));
}

void Network(Builder& b, const TessalyConfig& config)
{
    bool network = (config.analysisKinds & ANALYSIS_NETWORK_DRIVES) != 0;
    b.add(ZOSCAN_CFG_SCAN_NETWORK, network ? 1 : 0, ItemNumber("ZOSCAN_CFG_SCAN_NETWORK", network ? 1 : 0));
}

void Traces(Builder& b)
{
    Flag(b, NAME(ZOSCAN_CFG_ACTIVATE_TRACE_SYSTEM_SCAN), true);
    Flag(b, NAME(ZOSCAN_CFG_MULTIPLE_TRACE_DETECT), true);
}

void Hidden(Builder& b, const TessalyConfig& config, uint32_t hiddenAction)
{
    uint32_t info = HiddenInfoValue(config);
    if (config.hiddenFileAnalysis) {
        b.add(ZOSCAN_CFG_HIDDEN_INFO_DETECTION, info, ItemNumber("ZOSCAN_CFG_HIDDEN_INFO_DETECTION", info));
        b.add(ZOSCAN_CFG_HIDDEN_DETECTION_ACTION, hiddenAction,
              Item("ZOSCAN_CFG_HIDDEN_DETECTION_ACTION", ActionName(hiddenAction)));
    } else {
        b.add(ZOSCAN_CFG_HIDDEN_INFO_DETECTION, 0,
              Item("ZOSCAN_CFG_HIDDEN_INFO_DETECTION", "ZOSCAN_CFG_NO_HIDDEN_INFO_DETECTION"));
    }
    if (config.stealthMode)
        b.add(ZOSCAN_CFG_STEALTH_MODE, 1, Item("ZOSCAN_CFG_STEALTH_MODE", "ZOSCAN_CFG_STEALTH_ENABLED"));
}

void Mail(Builder& b, const TessalyConfig& config, bool mapiFlags)
{
    b.add(ZOSCAN_CFG_SCAN_EMAIL_FILES, 0, Item("ZOSCAN_CFG_SCAN_EMAIL_FILES", "FALSE"));
    b.add(ZOSCAN_CFG_EXPRESS_PROFILE_TYPE, 4, Item("ZOSCAN_CFG_EXPRESS_PROFILE_TYPE", "ZOSCAN_ALL_PROFILE"));
    if (config.askOutlookProfile)
        b.add(ZOSCAN_CFG_EXCHANGE_PROFILE_TYPE, 5,
              Item("ZOSCAN_CFG_EXCHANGE_PROFILE_TYPE", "ZOSCAN_ASK_WITH_DEFAULT_PROFILE"));
    else
        b.add(ZOSCAN_CFG_EXCHANGE_PROFILE_TYPE, 1, Item("ZOSCAN_CFG_EXCHANGE_PROFILE_TYPE", "ZOSCAN_DEFAULT_PROFILE"));
    if (mapiFlags)
        b.add(ZOSCAN_CFG_MAPI_SESSION_FLAGS, 1,
              Item("ZOSCAN_CFG_MAPI_SESSION_FLAGS", "ZOSCAN_CFG_NOT_SHOW_DIALOG_MAPI_SESSION_FLAG"));
}

// The "No CPU Control needed" line is a log line of its own: a step with item 0 that is not sent.
void Cpu(Builder& b, const TessalyConfig& config, const char* modeName)
{
    if (config.cpuUsage < 100) {
        b.add(ZOSCAN_CFG_ACTIVATE_CPU_USE_CONTROL, 1, ItemNumber("ZOSCAN_CFG_ACTIVATE_CPU_USE_CONTROL", 1));
        b.add(ZOSCAN_CFG_CPU_LOAD_CONTROL_MODE, 1, Item("ZOSCAN_CFG_CPU_LOAD_CONTROL_MODE", modeName));
    } else {
        b.add(0, 0, "No CPU Control needed", false);
    }
}

void Identity(Builder& b, const SettingInputs& in, bool cloud, bool commObject)
{
    Flag(b, NAME(ZOSCAN_CFG_ACTIVATE_VELLSCAN), cloud);
    Flag(b, NAME(ZOSCAN_CFG_ACTIVATE_QUENTH), cloud);
    Flag(b, NAME(ZOSCAN_CFG_ACTIVATE_HEURISTIC_FILTER), true);
    b.add(ZOSCAN_CFG_PRODUCT_ID, kProductId, ItemNumber("ZOSCAN_CFG_PRODUCT_ID", kProductId));
    b.add(ZOSCAN_CFG_SUBPRODUCT_ID, kSubproductId, ItemNumber("ZOSCAN_CFG_SUBPRODUCT_ID", kSubproductId));
    bool valid = false;
    std::vector<char> id = MachineIdBuffer(in.machineId, valid);
    if (!valid)
        b.add(0, 0, "Machine identifier [" + in.machineId + "] is not a braced GUID: sending 16 zero bytes", false);
    b.addBuffer(ZOSCAN_CFG_MCUID, std::move(id), Item("ZOSCAN_CFG_MCUID", in.machineId.c_str()));
    b.add(ZOSCAN_CFG_MAX_CONNECTIONS_PER_DAY, kMaxConnectionsPerDay,
          ItemNumber("ZOSCAN_CFG_MAX_CONNECTIONS_PER_DAY", kMaxConnectionsPerDay));
    if (commObject)
        b.add(ZOSCAN_CFG_COMMUNICATIONS_OBJECT, reinterpret_cast<uintptr_t>(in.commObject),
              Item("ZOSCAN_CFG_COMMUNICATIONS_OBJECT", "<libvorn object>"));
}

// Exclusions and file kinds; listsLogged/restLogged choose what is logged (the intensive sequence logs
// the lists only).
void Files(Builder& b, const TessalyConfig& config, bool restLogged)
{
    if (!config.excludeFolders.empty()) {
        std::vector<char> folders = PackFolderList(config.excludeFolders);
        std::string first(folders.data());
        b.addBuffer(ZOSCAN_CFG_EXCLUDE_FOLDERS_LIST, std::move(folders),
                    ItemNoComma("ZOSCAN_CFG_EXCLUDE_FOLDERS_LIST", first.c_str()));
    }
    bool logged = restLogged;
    auto add = [&](uint32_t item, uintptr_t value, const std::string& log) {
        b.add(item, value, logged ? log : std::string());
    };
    add(ZOSCAN_CFG_SCAN_ALL_EXTENSIONS, 1, ItemNoComma("ZOSCAN_CFG_SCAN_ALL_EXTENSIONS", "TRUE"));
    if (!config.excludeExtensions.empty()) {
        std::vector<char> extensions = PackList(config.excludeExtensions);
        std::string first(extensions.data());
        b.addBuffer(ZOSCAN_CFG_EXCLUDE_EXTENSIONS_LIST, std::move(extensions),
                    ItemNoComma("ZOSCAN_CFG_EXCLUDE_EXTENSIONS_LIST", first.c_str()));
    }
    add(ZOSCAN_CFG_SCAN_FILES_WITHOUT_EXTENSION, 1, ItemNoComma("ZOSCAN_CFG_SCAN_FILES_WITHOUT_EXTENSION", "TRUE"));
    add(ZOSCAN_CFG_EXCLUDE_CURRENT_PROCESS, 1, ItemNoComma("ZOSCAN_CFG_EXCLUDE_CURRENT_PROCESS", "TRUE"));
    add(ZOSCAN_CFG_SCAN_COMPRESSED_FILES, 1, ItemNoComma("ZOSCAN_CFG_SCAN_COMPRESSED_FILES", "TRUE"));
    add(ZOSCAN_CFG_CONFIGURE_DETECTION_HASH, kMd5SuspectDetectionHash,
        ItemNoComma("ZOSCAN_CFG_CONFIGURE_DETECTION_HASH", "ZOSCAN_CFG_MD5_SUSPECT_DETECTION_HASH"));
}

void Containers(Builder& b, const TessalyConfig& config)
{
    Flag(b, NAME(ZOSCAN_CFG_ENABLE_CONTAINER_ACTION), true);
    uint32_t action = config.disinfection ? ZOSCAN_ACTION_RENAME : ZOSCAN_ACTION_IGNORE;
    b.add(ZOSCAN_CFG_CONTAINER_ACTION, action, Item("ZOSCAN_CFG_CONTAINER_ACTION", ActionName(action)));
    b.add(ZOSCAN_CFG_MAX_SIZE_PACKED_FILE, kMaxPackedFileKb, Item("ZOSCAN_CFG_MAX_SIZE_PACKED_FILE", "65536 KB (64MB)"));
    if (config.useRemoteThreadAnalysis)
        b.add(ZOSCAN_CFG_USE_REMOTE_THREAD, 1, Item("ZOSCAN_CFG_USE_REMOTE_THREAD", "true"));
}

void Quarantine(Builder& b, const SettingInputs& in)
{
    b.add(ZOSCAN_CFG_CONFIGURE_QUARANTINE_SYSTEM, 1,
          Item("ZOSCAN_CFG_CONFIGURE_QUARANTINE_SYSTEM", "ZOSCAN_CFG_VLM_QUARANTINE_SYSTEM"));
    // Logged in every sequence that sends it.
    SettingStep step;
    step.item = ZOSCAN_CFG_QEM_CLID;
    step.value = in.qemClientId;
    step.log = Format("Configuration: ZOSCAN_CFG_QEM_CLID, Value %lld", static_cast<long long>(in.qemClientId));
    step.checked = false;
    b.steps.push_back(step);
}

void FirstAction(Builder& b, const TessalyConfig& config)
{
    uint32_t first = config.disinfection ? ZOSCAN_ACTION_ASK : ZOSCAN_ACTION_IGNORE;
    b.add(ZOSCAN_CFG_FIRST_ACTION, first, Item("ZOSCAN_CFG_FIRST_ACTION", ActionName(first)), false);
}

} // namespace

SettingSequence AnalysisSequence(const SettingInputs& in, int kind)
{
    const TessalyConfig& config = *in.config;
    Builder b(true);
    Quarantine(b, in);
    FirstAction(b, config);
    SecondActions(b, config, config.disinfection);
    b.add(ZOSCAN_CFG_HEURISTIC_SCAN_ACTION, ZOSCAN_ACTION_COPY_QUARANTINE,
          Item("ZOSCAN_CFG_HEURISTIC_SCAN_ACTION", "ZOSCAN_ACTION_COPY_QUARANTINE"), false);
    Callback(b, in.callback);
    Categories(b, config);
    Network(b, config);
    Traces(b);
    int sensitivity = SensitivityOfKind(config, kind);
    Hidden(b, config, HiddenDetectionAction(sensitivity));
    Mail(b, config, !(kind & ANALYSIS_KIND_MAIL));
    Cpu(b, config, "ZOSCAN_CFG_CTRLAPP_SCAN");
    int level = 0, mode = 0;
    HeuristicLevel(sensitivity, level, mode);
    if (level != 0) {
        b.add(ZOSCAN_CFG_CONFIGURE_HEURISTIC_MODE, mode, ItemNoComma("ZOSCAN_CFG_CONFIGURE_HEURISTIC_MODE", Format("%lld", mode).c_str()));
        b.add(ZOSCAN_CFG_HEURISTIC_SCAN_SENSITIVITY_LEVEL, level,
              ItemNoComma("ZOSCAN_CFG_HEURISTIC_SCAN_SENSITIVITY_LEVEL", Format("%lld", level).c_str()));
        b.add(ZOSCAN_CFG_CONFIGURE_HEURISTIC_SCAN, static_cast<uintptr_t>(-1),
              ItemNoComma("ZOSCAN_CFG_CONFIGURE_HEURISTIC_SCAN", "ZOSCAN_HEURISTIC_ACTIVATE_ALL"));
    } else {
        b.add(ZOSCAN_CFG_CONFIGURE_HEURISTIC_SCAN, 0,
              ItemNoComma("ZOSCAN_CFG_CONFIGURE_HEURISTIC_SCAN", "ZOSCAN_HEURISTIC_ACTIVATE_NONE"));
    }
    Identity(b, in, CloudEnabled(config), true);
    Files(b, config, true);
    Containers(b, config);
    return b.steps;
}

SettingSequence IntensiveSequence(const SettingInputs& in)
{
    const TessalyConfig& config = *in.config;
    Builder b(false);
    if (config.diskHeuristicSensitivity == HEURISTIC_OFF) {
        b.add(ZOSCAN_CFG_CONFIGURE_HEURISTIC_SCAN, 0, "", false);
    } else {
        b.add(ZOSCAN_CFG_CONFIGURE_HEURISTIC_MODE, 1, "");
        b.add(ZOSCAN_CFG_HEURISTIC_SCAN_SENSITIVITY_LEVEL, 3, "");
        b.add(ZOSCAN_CFG_CONFIGURE_HEURISTIC_SCAN, static_cast<uintptr_t>(-1), "");
    }
    Quarantine(b, in);
    FirstAction(b, config);
    SecondActions(b, config, config.disinfection);
    b.add(ZOSCAN_CFG_HEURISTIC_SCAN_ACTION, ZOSCAN_ACTION_COPY_QUARANTINE, "");
    Callback(b, in.callback);
    Categories(b, config);
    Traces(b);
    Hidden(b, config, HiddenDetectionAction(in.hiddenSensitivity));
    Mail(b, config, true);
    b.logged(true);
    Cpu(b, config, "ZOSCAN_CFG_CTRLAPP_IMPERCEPTIBLE");
    Files(b, config, false);
    Containers(b, config);
    Identity(b, in, CloudEnabled(config), true);
    return b.steps;
}

SettingSequence DisinfectionSequence(const SettingInputs& in)
{
    const TessalyConfig& config = *in.config;
    Builder b(true);
    b.add(ZOSCAN_CFG_FIRST_ACTION, ZOSCAN_ACTION_DISINFECT, Item("ZOSCAN_CFG_FIRST_ACTION", "ZOSCAN_ACTION_DISINFECT"),
          false);
    SecondActions(b, config, true);
    b.add(ZOSCAN_CFG_HEURISTIC_SCAN_ACTION, ZOSCAN_ACTION_IGNORE,
          Item("ZOSCAN_CFG_HEURISTIC_SCAN_ACTION", "ZOSCAN_ACTION_IGNORE"), false);
    Callback(b, in.callback);
    Categories(b, config);
    Network(b, config);
    Traces(b);
    Hidden(b, config, ZOSCAN_ACTION_IGNORE);
    Mail(b, config, true);
    Cpu(b, config, "ZOSCAN_CFG_CTRLAPP_SCAN");
    b.add(ZOSCAN_CFG_CONFIGURE_HEURISTIC_SCAN, 0,
          ItemNoComma("ZOSCAN_CFG_CONFIGURE_HEURISTIC_SCAN", "ZOSCAN_HEURISTIC_ACTIVATE_NONE"));
    Identity(b, in, false, false);
    Files(b, config, true);
    Containers(b, config);
    return b.steps;
}
