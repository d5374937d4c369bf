// The three setting sequences against the engine stand-in: what the engine's journal says it was told,
// in order, for the configurations that change the sequence; refusals of checked and unchecked steps.

#include "AnalysisFixture.h"
#include "AnalysisSettings.h"
#include "AnalysisSystem.h"
#include "ScanCallbacks.h"
#include "TestLog.h"

#include <algorithm>
#include <functional>
#include <map>

namespace {

typedef std::vector<std::pair<std::string, std::string>> Sent;

std::string Hex(uintptr_t value)
{
    char text[24];
    snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(value));
    return text;
}

std::string WindowsFolderQuoted()
{
    char folder[MAX_PATH];
    GetWindowsDirectoryA(folder, MAX_PATH);
    std::string out;
    for (const char* p = folder; *p; ++p) {
        if (*p == '\\')
            out += '\\';
        out += *p;
    }
    return out;
}

const char* const kMachineIdBytes = "33221100554477668899aabbccddeeff";

class AnalysisSettingsTest : public AnalysisFixture {
protected:
    void SetUp() override
    {
        AnalysisFixture::SetUp();
        Adapter().qemClientId = 77;
        config_.excludeFolders = {L"%WINDIR%\\Temp", L"C:\\KV"};
        config_.excludeExtensions = {L"tmp", L"log"};
    }

    Sent Configure(const std::function<int(AnalysisSystem&)>& configure, int* result = nullptr)
    {
        AnalysisSystem system(programFolder_, programFolder_, "0123456789ABCDEF0123456789ABCDEF");
        int r = configure(system);
        if (result)
            *result = r;
        return Settings();
    }

    static std::string Value(const Sent& sent, const std::string& name)
    {
        for (const auto& s : sent)
            if (s.first == name)
                return s.second;
        return "<absent>";
    }

    static std::vector<std::string> Names(const Sent& sent)
    {
        std::vector<std::string> names;
        for (const auto& s : sent)
            names.push_back(s.first);
        return names;
    }

    std::string Folders() const { return "[\"" + WindowsFolderQuoted() + "\\\\temp\",\"c:\\\\kv\"]"; }
};

TEST_F(AnalysisSettingsTest, DiskAnalysisSendsTheWholeSequenceInOrder)
{
    Sent expected = {
        {"ZOSCAN_CFG_CONFIGURE_QUARANTINE_SYSTEM", "1"},
        {"ZOSCAN_CFG_QEM_CLID", "77"},
        {"ZOSCAN_CFG_FIRST_ACTION", "1"},
        {"ZOSCAN_CFG_ENABLE_SECOND_ACTION", "0"},
        {"ZOSCAN_CFG_HEURISTIC_SCAN_ACTION", "6"},
        {"ZOSCAN_CFG_INDICATE_GENERICAL_CALLBACK", Hex(reinterpret_cast<uintptr_t>(&standardCallback))},
        {"ZOSCAN_CFG_ACTIVATED_CALLBACK_TYPES", "0xa7"},
        {"ZOSCAN_CFG_CONFIGURE_SPYWARE_SCAN", "1"},
        {"ZOSCAN_CFG_ACTIVATE_JOKES_SCAN", "0"},
        {"ZOSCAN_CFG_ACTIVATE_DIALERS_SCAN", "1"},
        {"ZOSCAN_CFG_CONFIGURE_HACKING_TOOLS_SCAN", "1"},
        {"ZOSCAN_CFG_ACTIVATE_SECURITY_RISKS_SCAN", "1"},
        {"ZOSCAN_CFG_ACTIVATE_TRACKING_COOKIE_SCAN", "1"},
        {"ZOSCAN_CFG_SCAN_NETWORK", "0"},
        {"ZOSCAN_CFG_ACTIVATE_TRACE_SYSTEM_SCAN", "1"},
        {"ZOSCAN_CFG_MULTIPLE_TRACE_DETECT", "1"},
        {"ZOSCAN_CFG_HIDDEN_INFO_DETECTION", "0"},
        {"ZOSCAN_CFG_SCAN_EMAIL_FILES", "0"},
        {"ZOSCAN_CFG_EXPRESS_PROFILE_TYPE", "4"},
        {"ZOSCAN_CFG_EXCHANGE_PROFILE_TYPE", "5"},
        {"ZOSCAN_CFG_MAPI_SESSION_FLAGS", "1"},
        {"ZOSCAN_CFG_CONFIGURE_HEURISTIC_MODE", "1"},
        {"ZOSCAN_CFG_HEURISTIC_SCAN_SENSITIVITY_LEVEL", "2"},
        {"ZOSCAN_CFG_CONFIGURE_HEURISTIC_SCAN", "-1"},
        {"ZOSCAN_CFG_ACTIVATE_VELLSCAN", "1"},
        {"ZOSCAN_CFG_ACTIVATE_QUENTH", "1"},
        {"ZOSCAN_CFG_ACTIVATE_HEURISTIC_FILTER", "1"},
        {"ZOSCAN_CFG_PRODUCT_ID", "183"},
        {"ZOSCAN_CFG_SUBPRODUCT_ID", "16"},
        {"ZOSCAN_CFG_MCUID", kMachineIdBytes},
        {"ZOSCAN_CFG_MAX_CONNECTIONS_PER_DAY", "1000"},
        {"ZOSCAN_CFG_COMMUNICATIONS_OBJECT", "0x0"},
        {"ZOSCAN_CFG_EXCLUDE_FOLDERS_LIST", Folders()},
        {"ZOSCAN_CFG_SCAN_ALL_EXTENSIONS", "1"},
        {"ZOSCAN_CFG_EXCLUDE_EXTENSIONS_LIST", "[\"tmp\",\"log\"]"},
        {"ZOSCAN_CFG_SCAN_FILES_WITHOUT_EXTENSION", "1"},
        {"ZOSCAN_CFG_EXCLUDE_CURRENT_PROCESS", "1"},
        {"ZOSCAN_CFG_SCAN_COMPRESSED_FILES", "1"},
        {"ZOSCAN_CFG_CONFIGURE_DETECTION_HASH", "3"},
        {"ZOSCAN_CFG_ENABLE_CONTAINER_ACTION", "1"},
        {"ZOSCAN_CFG_CONTAINER_ACTION", "1"},
        {"ZOSCAN_CFG_MAX_SIZE_PACKED_FILE", "65536"},
    };
    config_.activateJokesScan = false;
    TestLog log;
    int result = -1;
    Sent sent = Configure([](AnalysisSystem& s) { return configureAnalysis(s, ANALYSIS_KIND_DISK); }, &result);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(sent, expected);

    // Each step is logged before the call and its result after it; the work folders exist.
    std::vector<std::string> lines = log.Messages("AnalysisSettingsApply.cpp");
    auto at = std::find(lines.begin(), lines.end(), "Configuration: Item ZOSCAN_CFG_FIRST_ACTION, Value ZOSCAN_ACTION_IGNORE");
    ASSERT_NE(at, lines.end());
    ASSERT_NE(at + 1, lines.end());
    EXPECT_EQ(*(at + 1), "    Returned value: 0");
    for (const char* line : {"Configuration: ZOSCAN_CFG_QEM_CLID, Value 77", "No CPU Control needed",
                             "Configuration: Item ZOSCAN_CFG_MAX_SIZE_PACKED_FILE, Value 65536 KB (64MB)",
                             "Configuration: Item ZOSCAN_CFG_CONFIGURE_HEURISTIC_SCAN Value ZOSCAN_HEURISTIC_ACTIVATE_ALL",
                             "Configuration: Item ZOSCAN_CFG_MCUID, Value {00112233-4455-6677-8899-aabbccddeeff}"})
        EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << line;
    EXPECT_NE(GetFileAttributesW(config_.quarantinePath.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(GetFileAttributesW(config_.suspiciousPath.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(AnalysisSettingsTest, ConfigurationChangesTheSequence)
{
    struct Case {
        const char* what;
        std::function<void(TessalyConfig&)> change;
        int kind;
        std::map<std::string, std::string> expect; // "<absent>" for items that must not be sent
    } cases[] = {
        {"disinfection on, secondary delete", [](TessalyConfig& c) { c.disinfection = true; c.secondaryAction = MALWARE_DELETE; },
         ANALYSIS_KIND_DISK,
         {{"ZOSCAN_CFG_FIRST_ACTION", "256"}, {"ZOSCAN_CFG_ENABLE_SECOND_ACTION", "1"},
          {"ZOSCAN_CFG_SECOND_ACTION", "4"}, {"ZOSCAN_CFG_CONTAINER_ACTION", "5"}}},
        {"disinfection off", [](TessalyConfig&) {}, ANALYSIS_KIND_DISK,
         {{"ZOSCAN_CFG_FIRST_ACTION", "1"}, {"ZOSCAN_CFG_SECOND_ACTION", "<absent>"}, {"ZOSCAN_CFG_CONTAINER_ACTION", "1"}}},
        {"memory, low sensitivity", [](TessalyConfig& c) { c.memoryHeuristicSensitivity = HEURISTIC_LOW; },
         ANALYSIS_KIND_MEMORY,
         {{"ZOSCAN_CFG_HEURISTIC_SCAN_SENSITIVITY_LEVEL", "1"}, {"ZOSCAN_CFG_MAPI_SESSION_FLAGS", "1"}}},
        {"mail, intensive sensitivity", [](TessalyConfig& c) { c.mailHeuristicSensitivity = HEURISTIC_INTENSIVE; },
         ANALYSIS_KIND_MAIL,
         {{"ZOSCAN_CFG_CONFIGURE_HEURISTIC_MODE", "2"}, {"ZOSCAN_CFG_HEURISTIC_SCAN_SENSITIVITY_LEVEL", "3"},
          {"ZOSCAN_CFG_MAPI_SESSION_FLAGS", "<absent>"}}},
        {"cpu 50", [](TessalyConfig& c) { c.cpuUsage = 50; }, ANALYSIS_KIND_DISK,
         {{"ZOSCAN_CFG_ACTIVATE_CPU_USE_CONTROL", "1"}, {"ZOSCAN_CFG_CPU_LOAD_CONTROL_MODE", "1"}}},
        {"cpu 100", [](TessalyConfig& c) { c.cpuUsage = 100; }, ANALYSIS_KIND_DISK,
         {{"ZOSCAN_CFG_ACTIVATE_CPU_USE_CONTROL", "<absent>"}, {"ZOSCAN_CFG_CPU_LOAD_CONTROL_MODE", "<absent>"}}},
        {"disk sensitivity off", [](TessalyConfig& c) { c.diskHeuristicSensitivity = HEURISTIC_OFF; }, ANALYSIS_KIND_DISK,
         {{"ZOSCAN_CFG_CONFIGURE_HEURISTIC_SCAN", "0"}, {"ZOSCAN_CFG_CONFIGURE_HEURISTIC_MODE", "<absent>"},
          {"ZOSCAN_CFG_HEURISTIC_SCAN_SENSITIVITY_LEVEL", "<absent>"}}},
        {"hidden files on Windows XP", [](TessalyConfig& c) { c.hiddenFileAnalysis = true; c.osType = 7; },
         ANALYSIS_KIND_DISK,
         {{"ZOSCAN_CFG_HIDDEN_INFO_DETECTION", "3"}, {"ZOSCAN_CFG_HIDDEN_DETECTION_ACTION", "6"}}},
        {"hidden files on Windows 7, sensitivity off",
         [](TessalyConfig& c) { c.hiddenFileAnalysis = true; c.osType = 11; c.diskHeuristicSensitivity = HEURISTIC_OFF; },
         ANALYSIS_KIND_DISK,
         {{"ZOSCAN_CFG_HIDDEN_INFO_DETECTION", "2"}, {"ZOSCAN_CFG_HIDDEN_DETECTION_ACTION", "1"}}},
        {"reports folder set", [](TessalyConfig& c) { c.reportsFolder = L"\\\\server\\reports"; }, ANALYSIS_KIND_DISK,
         {{"ZOSCAN_CFG_ACTIVATE_VELLSCAN", "0"}, {"ZOSCAN_CFG_ACTIVATE_QUENTH", "0"}}},
        {"reports FTP set", [](TessalyConfig& c) { c.reportsFtp = L"ftp.example"; }, ANALYSIS_KIND_DISK,
         {{"ZOSCAN_CFG_ACTIVATE_VELLSCAN", "0"}, {"ZOSCAN_CFG_ACTIVATE_QUENTH", "0"}}},
        {"no excluded extensions", [](TessalyConfig& c) { c.excludeExtensions.clear(); }, ANALYSIS_KIND_DISK,
         {{"ZOSCAN_CFG_EXCLUDE_EXTENSIONS_LIST", "<absent>"}}},
        {"network, stealth, remote thread, own profile",
         [](TessalyConfig& c) {
             c.analysisKinds |= ANALYSIS_NETWORK_DRIVES;
             c.stealthMode = true;
             c.useRemoteThreadAnalysis = true;
             c.askOutlookProfile = false;
         },
         ANALYSIS_KIND_DISK,
         {{"ZOSCAN_CFG_SCAN_NETWORK", "1"}, {"ZOSCAN_CFG_STEALTH_MODE", "1"}, {"ZOSCAN_CFG_USE_REMOTE_THREAD", "1"},
          {"ZOSCAN_CFG_EXCHANGE_PROFILE_TYPE", "1"}}},
    };
    for (const Case& c : cases) {
        TessalyConfig saved = config_;
        c.change(config_);
        size_t before = Settings().size();
        int result = -1;
        Sent all = Configure([&](AnalysisSystem& s) { return configureAnalysis(s, c.kind); }, &result);
        Sent sent(all.begin() + before, all.end());
        EXPECT_EQ(result, 0) << c.what;
        for (const auto& e : c.expect)
            EXPECT_EQ(Value(sent, e.first), e.second) << c.what << ": " << e.first;
        config_ = saved;
    }
}

TEST_F(AnalysisSettingsTest, IntensiveSequenceStartsWithTheHeuristicsAndLogsLittle)
{
    Adapter().currentSensitivity = HEURISTIC_OFF; // the last analysis of the run left Off
    config_.hiddenFileAnalysis = true;
    config_.cpuUsage = 30;
    TestLog log;
    int result = -1;
    Sent sent = Configure(configureIntensiveAnalysis, &result);
    EXPECT_EQ(result, 0);
    std::vector<std::string> names = Names(sent);
    ASSERT_GE(names.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(names.begin(), names.begin() + 4),
              (std::vector<std::string>{"ZOSCAN_CFG_CONFIGURE_HEURISTIC_MODE", "ZOSCAN_CFG_HEURISTIC_SCAN_SENSITIVITY_LEVEL",
                                        "ZOSCAN_CFG_CONFIGURE_HEURISTIC_SCAN", "ZOSCAN_CFG_CONFIGURE_QUARANTINE_SYSTEM"}));
    EXPECT_EQ(Value(sent, "ZOSCAN_CFG_HEURISTIC_SCAN_SENSITIVITY_LEVEL"), "3");
    EXPECT_EQ(Value(sent, "ZOSCAN_CFG_INDICATE_GENERICAL_CALLBACK"), Hex(reinterpret_cast<uintptr_t>(&intensiveCallback)));
    EXPECT_EQ(Value(sent, "ZOSCAN_CFG_HIDDEN_DETECTION_ACTION"), "1");
    EXPECT_EQ(Value(sent, "ZOSCAN_CFG_SCAN_NETWORK"), "<absent>");
    EXPECT_EQ(Value(sent, "ZOSCAN_CFG_MAPI_SESSION_FLAGS"), "1");
    EXPECT_EQ(Value(sent, "ZOSCAN_CFG_COMMUNICATIONS_OBJECT"), "0x0");
    EXPECT_EQ(names.back(), "ZOSCAN_CFG_COMMUNICATIONS_OBJECT");

    std::vector<std::string> lines = log.Messages("AnalysisSettingsApply.cpp");
    auto logged = [&](const std::string& text) { return std::find(lines.begin(), lines.end(), text) != lines.end(); };
    EXPECT_TRUE(logged("Configuration: ZOSCAN_CFG_QEM_CLID, Value 77"));
    EXPECT_TRUE(logged("Configuration: Item ZOSCAN_CFG_CPU_LOAD_CONTROL_MODE, Value ZOSCAN_CFG_CTRLAPP_IMPERCEPTIBLE"));
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    EXPECT_TRUE(logged(std::string("Configuration: Item ZOSCAN_CFG_EXCLUDE_FOLDERS_LIST Value ") + windows + "\\temp"));
    EXPECT_FALSE(logged("Configuration: Item ZOSCAN_CFG_FIRST_ACTION, Value ZOSCAN_ACTION_IGNORE"));
    EXPECT_FALSE(logged("Configuration: Item ZOSCAN_CFG_SCAN_ALL_EXTENSIONS Value TRUE"));

    // Without an earlier analysis the hidden action follows High.
    Adapter().currentSensitivity = HEURISTIC_HIGH;
    config_.diskHeuristicSensitivity = HEURISTIC_OFF;
    size_t before = Settings().size();
    Sent all = Configure(configureIntensiveAnalysis);
    Sent second(all.begin() + before, all.end());
    EXPECT_EQ(Names(second).front(), "ZOSCAN_CFG_CONFIGURE_HEURISTIC_SCAN");
    EXPECT_EQ(Value(second, "ZOSCAN_CFG_CONFIGURE_HEURISTIC_SCAN"), "0");
    EXPECT_EQ(Value(second, "ZOSCAN_CFG_HIDDEN_DETECTION_ACTION"), "6");
}

TEST_F(AnalysisSettingsTest, DisinfectionSequenceDisinfectsWithoutQuarantineOrCommunications)
{
    config_.disinfection = true;
    config_.secondaryAction = MALWARE_QUARANTINE;
    config_.hiddenFileAnalysis = true;
    int result = -1;
    Sent sent = Configure(configureDisinfection, &result);
    EXPECT_EQ(result, 0);
    std::vector<std::string> names = Names(sent);
    ASSERT_GE(names.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(names.begin(), names.begin() + 4),
              (std::vector<std::string>{"ZOSCAN_CFG_FIRST_ACTION", "ZOSCAN_CFG_ENABLE_SECOND_ACTION",
                                        "ZOSCAN_CFG_SECOND_ACTION", "ZOSCAN_CFG_HEURISTIC_SCAN_ACTION"}));
    std::map<std::string, std::string> expect = {
        {"ZOSCAN_CFG_FIRST_ACTION", "2"}, {"ZOSCAN_CFG_SECOND_ACTION", "6"}, {"ZOSCAN_CFG_HEURISTIC_SCAN_ACTION", "1"},
        {"ZOSCAN_CFG_HIDDEN_DETECTION_ACTION", "1"}, {"ZOSCAN_CFG_CONFIGURE_HEURISTIC_SCAN", "0"},
        {"ZOSCAN_CFG_ACTIVATE_VELLSCAN", "0"}, {"ZOSCAN_CFG_ACTIVATE_QUENTH", "0"}, {"ZOSCAN_CFG_MAPI_SESSION_FLAGS", "1"},
        {"ZOSCAN_CFG_CONTAINER_ACTION", "5"}, {"ZOSCAN_CFG_CONFIGURE_QUARANTINE_SYSTEM", "<absent>"},
        {"ZOSCAN_CFG_QEM_CLID", "<absent>"}, {"ZOSCAN_CFG_COMMUNICATIONS_OBJECT", "<absent>"},
        {"ZOSCAN_CFG_INDICATE_GENERICAL_CALLBACK", Hex(reinterpret_cast<uintptr_t>(&standardCallback))},
        {"ZOSCAN_CFG_EXCLUDE_FOLDERS_LIST", Folders()}};
    for (const auto& e : expect)
        EXPECT_EQ(Value(sent, e.first), e.second) << e.first;
    EXPECT_EQ(names.back(), "ZOSCAN_CFG_MAX_SIZE_PACKED_FILE");
    // No folders are made for a disinfection run.
    EXPECT_EQ(GetFileAttributesW(config_.quarantinePath.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(AnalysisSettingsTest, RefusedCheckedStepEndsTheSequenceUncheckedDoesNot)
{
    Scenario("[Fail]\nZOScan_ConfigureAnalysis.0x413=7\nZOScan_ConfigureAnalysis.0x3=5\n");
    // Unchecked QEM client identifier: refused, the sequence goes on.
    int result = -1;
    Sent sent = Configure([](AnalysisSystem& s) { return configureAnalysis(s, ANALYSIS_KIND_DISK); }, &result);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(Names(sent).back(), "ZOSCAN_CFG_MAX_SIZE_PACKED_FILE");

    // Checked second action: refused, returned, nothing after it.
    config_.disinfection = true;
    size_t before = Settings().size();
    Sent all = Configure([](AnalysisSystem& s) { return configureAnalysis(s, ANALYSIS_KIND_DISK); }, &result);
    Sent second(all.begin() + before, all.end());
    EXPECT_EQ(result, 5);
    EXPECT_EQ(Names(second).back(), "ZOSCAN_CFG_SECOND_ACTION");
}

TEST_F(AnalysisSettingsTest, MachineIdentifierThatIsNotABracedGuidSendsZeros)
{
    struct Case {
        std::string id;
        std::string bytes;
    } cases[] = {
        {"{00112233-4455-6677-8899-AABBCCDDEEFF}", kMachineIdBytes},
        {"{00112233-4455-6677-8899-aabbccddeef}", std::string(32, '0')},
        {"", std::string(32, '0')},
        {"00112233-4455-6677-8899-aabbccddeeff", std::string(32, '0')},
        {"{0011223x-4455-6677-8899-aabbccddeeff}", std::string(32, '0')},
    };
    for (const Case& c : cases) {
        Adapter().machineId = c.id;
        TestLog log;
        size_t before = Settings().size();
        Sent all = Configure(configureDisinfection);
        Sent sent(all.begin() + before, all.end());
        EXPECT_EQ(Value(sent, "ZOSCAN_CFG_MCUID"), c.bytes) << c.id;
        std::vector<std::string> lines = log.Messages("AnalysisSettingsApply.cpp");
        bool warned = std::find(lines.begin(), lines.end(),
                                "Machine identifier [" + c.id + "] is not a braced GUID: sending 16 zero bytes") != lines.end();
        EXPECT_EQ(warned, c.bytes != kMachineIdBytes) << c.id;
    }
}

} // namespace
