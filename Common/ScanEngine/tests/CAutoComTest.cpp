// CAutoCom on the test's own thread: what the object was told (its journal), what was logged, and the
// proxy record. The class is registered from the temporary program folder for each test.

#include "CAutoCom.h"

#include "CommObject.h"
#include "ProgramFolder.h"
#include "TessalyConfig.h"
#include "TestLog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace commtest;

namespace {

ProxyRecord MakeRecord(const wchar_t* server, int32_t port, const wchar_t* user, const wchar_t* password)
{
    ProxyRecord record{};
    record.size = kProxyRecordSize;
    wcsncpy(record.server, server, 259);
    record.port = port;
    wcsncpy(record.user, user, 259);
    wcsncpy(record.password, password, 259);
    return record;
}

// The log lines of CAutoCom.cpp, without the scope brackets.
std::vector<std::string> AutoComLines(const TestLog& log)
{
    std::vector<std::string> lines;
    for (const std::string& message : log.Messages("CAutoCom.cpp"))
        if (message[0] != '+' && message[0] != '-')
            lines.push_back(message);
    return lines;
}

bool LogMentions(const TestLog& log, const std::string& text)
{
    for (const LogRecord& record : log.Records())
        if (record.message.find(text) != std::string::npos)
            return true;
    return false;
}

class AutoComTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RemoveRegistrations();
        ResetFiles();
        ASSERT_EQ(CallRegistrationExport(L"libvorn.dll", "DllRegisterServer"), S_OK);
        ResetFiles();
    }
    void TearDown() override
    {
        CoFreeUnusedLibrariesEx(0, 0);
        RemoveRegistrations();
    }
    std::vector<JournalLine> Journal() const { return ReadJournal(COMM_OBJECT_JOURNAL_FILE); }
};

struct ModeCase {
    const char* name;
    bool withRecord;
    const wchar_t* server;
    int32_t port;
    const wchar_t* user;
    const wchar_t* password;
    std::vector<std::string> setters; // in call order, "Call=value"
    std::vector<std::string> logLines;
};

class Modes : public AutoComTest, public ::testing::WithParamInterface<ModeCase> {};

TEST_P(Modes, SettingsReachTheObjectThroughTheSlotsAndAreLogged)
{
    const ModeCase& c = GetParam();
    ProxyRecord record = MakeRecord(c.server, c.port, c.user, c.password);
    TestLog log;
    CAutoCom autoCom;
    ASSERT_EQ(autoCom.Create(c.withRecord ? &record : nullptr), 0);
    auto* object = reinterpret_cast<ICommObject*>(autoCom.GetComm());
    ASSERT_NE(object, nullptr);
    LONG verdict = -1;
    BSTR item = SysAllocString(L"item");
    EXPECT_EQ(object->Check(item, &verdict), S_OK);
    SysFreeString(item);
    object->Release();
    autoCom.Release();

    std::vector<JournalLine> journal = Journal();
    std::vector<std::string> setters;
    for (JournalLine& line : journal) {
        if (line.call.rfind("Set", 0) == 0) {
            setters.push_back(line.call + "=" + line.fields["value"]);
            EXPECT_EQ(line.result, 0u) << line.raw;
            EXPECT_EQ(line.tid, GetCurrentThreadId()) << line.raw;
        }
    }
    EXPECT_EQ(setters, c.setters);
    ASSERT_EQ(Calls(journal, "CreateInstance").size(), 1u);
    ASSERT_EQ(Calls(journal, "Check").size(), 1u);
    EXPECT_EQ(Calls(journal, "Check")[0].fields["openType"], c.withRecord ? "3" : "1");
    EXPECT_EQ(Calls(journal, "ObjectDestroyed").size(), 1u);

    EXPECT_EQ(AutoComLines(log), c.logLines);
    if (c.password[0]) {
        EXPECT_FALSE(LogMentions(log, Utf8(c.password)));
    }
}

INSTANTIATE_TEST_SUITE_P(
    AutoCom, Modes,
    ::testing::Values(
        ModeCase{"Direct", false, L"", 0, L"", L"", {"SetOpenType=1"},
                 {"No proxy info --> Open type DIRECT", "CAutoCom::Create result: 0x0", "CAutoCom::GetComm Ok."}},
        ModeCase{"ProxyWithCredentials", true, L"proxy.corp.example", 8080, L"CORP\\auditor", L"s3cret!",
                 {"SetOpenType=3", "SetProxyServer=proxy.corp.example", "SetProxyPort=8080",
                  "SetProxyUser=CORP\\auditor", "SetProxyPassword=s3cret!"},
                 {"Proxy info found --> Open type PROXY", "   ProxyServer: proxy.corp.example:8080",
                  "      User: CORP\\auditor", "      Pass en AutoCom::Create: [********]",
                  "CAutoCom::Create result: 0x0", "CAutoCom::GetComm Ok."}},
        // The password is never given without a user, even when one is configured.
        ModeCase{"EmptyUserSetsNoPassword", true, L"10.0.0.1", 3128, L"", L"unused-secret",
                 {"SetOpenType=3", "SetProxyServer=10.0.0.1", "SetProxyPort=3128", "SetProxyUser="},
                 {"Proxy info found --> Open type PROXY", "   ProxyServer: 10.0.0.1:3128", "      User: ",
                  "CAutoCom::Create result: 0x0", "CAutoCom::GetComm Ok."}}),
    [](const ::testing::TestParamInfo<ModeCase>& info) { return std::string(info.param.name); });

TEST_F(AutoComTest, RecordOfAnotherSizeGives87AndCreatesNothing)
{
    for (uint32_t size : {0u, 1571u, 1573u, 260u * 4}) {
        ProxyRecord record = MakeRecord(L"proxy", 8080, L"user", L"pass");
        record.size = size;
        TestLog log;
        CAutoCom autoCom;
        EXPECT_EQ(autoCom.Create(&record), 87) << size;
        EXPECT_EQ(autoCom.GetComm(), nullptr) << size;
        EXPECT_TRUE(AutoComLines(log).empty()) << size;
    }
    EXPECT_TRUE(Journal().empty()) << Journal().front().raw;
}

TEST_F(AutoComTest, UnregisteredClassGivesClassNotRegistered)
{
    RemoveRegistrations();
    TestLog log;
    CAutoCom autoCom;
    EXPECT_EQ(static_cast<unsigned>(autoCom.Create(nullptr)), 0x80040154u);
    EXPECT_EQ(autoCom.GetComm(), nullptr);
    EXPECT_EQ(AutoComLines(log), std::vector<std::string>{"CAutoCom::Create result: 0x80040154"});
}

// The object is released when nobody took it, and when a setting fails; a failed setting leaves nothing
// to take.
TEST_F(AutoComTest, ObjectIsReleasedOnEveryPath)
{
    {
        CAutoCom autoCom;
        ASSERT_EQ(autoCom.Create(nullptr), 0);
    } // never taken: the destructor gives the marshalled reference back
    EXPECT_EQ(Calls(Journal(), "ObjectDestroyed").size(), 1u);

    ResetFiles();
    WriteScenario(COMM_OBJECT_SCENARIO_FILE, "[Fail]\r\nSetProxyPort=0x80070057\r\n");
    ProxyRecord record = MakeRecord(L"proxy.example", 8080, L"user", L"pass");
    TestLog log;
    CAutoCom autoCom;
    EXPECT_EQ(static_cast<unsigned>(autoCom.Create(&record)), 0x80070057u);
    EXPECT_EQ(autoCom.GetComm(), nullptr);
    std::vector<JournalLine> journal = Journal();
    EXPECT_EQ(Calls(journal, "ObjectDestroyed").size(), 1u);
    EXPECT_TRUE(Calls(journal, "SetProxyUser").empty());
    EXPECT_EQ(AutoComLines(log).back(), "CAutoCom::Create result: 0x80070057");

    // A second Create drops the first object before making the next.
    ResetFiles();
    ASSERT_EQ(autoCom.Create(nullptr), 0);
    ASSERT_EQ(autoCom.Create(nullptr), 0);
    autoCom.Release();
    journal = Journal();
    EXPECT_EQ(Calls(journal, "CreateInstance").size(), 2u);
    EXPECT_EQ(Calls(journal, "ObjectDestroyed").size(), 2u);
}

struct RegistrationCase {
    const char* name;
    const wchar_t* dll;
    const wchar_t* scenarioFile;
    const char* scenario; // null: none
    bool expected;
    const char* failurePrefix; // null: "   LibName: ..." is the only line; else the last line is
    const char* failureSuffix; // prefix + the path + suffix
};

class Registration : public AutoComTest, public ::testing::WithParamInterface<RegistrationCase> {};

TEST_P(Registration, ResultFollowsTheExportAndTheLibraryIsUnloaded)
{
    const RegistrationCase& c = GetParam();
    RemoveRegistrations();
    if (c.scenario)
        WriteScenario(c.scenarioFile, c.scenario);
    const std::wstring path = InFolder(c.dll);
    TestLog log;
    EXPECT_EQ(RegisterLib(path), c.expected);
    EXPECT_EQ(GetModuleHandleW(path.c_str()), nullptr);
    std::vector<std::string> lines = AutoComLines(log);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "   LibName: " + Utf8(path));
    if (c.failurePrefix)
        EXPECT_EQ(lines.back(), c.failurePrefix + Utf8(path) + c.failureSuffix);
    else
        EXPECT_EQ(lines.size(), 1u);

    EXPECT_EQ(UnRegisterLib(path), c.expected);
    EXPECT_EQ(GetModuleHandleW(path.c_str()), nullptr);
    EXPECT_FALSE(KeyExists(COMM_OBJECT_CLSID_KEY));
    EXPECT_FALSE(KeyExists(L"ZoComm.Transport"));
}

INSTANTIATE_TEST_SUITE_P(
    Libraries, Registration,
    ::testing::Values(
        RegistrationCase{"Libvorn", L"libvorn.dll", COMM_OBJECT_SCENARIO_FILE, nullptr, true, nullptr, nullptr},
        RegistrationCase{"Zocomm", L"zocomm.dll", L"zocomm_scenario.ini", nullptr, true, nullptr, nullptr},
        RegistrationCase{"InjectedFailure", L"zocomm.dll", L"zocomm_scenario.ini",
                         "[Fail]\r\nDllRegisterServer=0x80070005\r\nDllUnregisterServer=0x80070005\r\n", false,
                         "DllRegisterServer of ", " failed: 0x80070005"},
        RegistrationCase{"Missing", L"missing.dll", L"zocomm_scenario.ini", nullptr, false, "", " could not be loaded."}),
    [](const ::testing::TestParamInfo<RegistrationCase>& info) { return std::string(info.param.name); });

TEST(ProxyRecordTest, FilledFromTheConfiguration)
{
    const struct {
        const wchar_t* port;
        int32_t expected;
    } ports[] = {{L"8080", 8080}, {L" 3128", 3128}, {L"80abc", 80}, {L"", 0}, {L"proxy", 0}};
    for (const auto& p : ports) {
        TessalyConfig config;
        config.proxyServer = std::wstring(300, L's');
        config.proxyPort = p.port;
        config.proxyUser = L"CORP\\auditor";
        config.proxyPassword = std::wstring(259, L'p') + L"cut";
        ProxyRecord record;
        memset(&record, 0xCC, sizeof record);
        FillProxyRecord(config, record);
        EXPECT_EQ(record.size, 1572u);
        EXPECT_EQ(record.port, p.expected) << Utf8(p.port);
        EXPECT_EQ(std::wstring(record.server), std::wstring(259, L's'));
        EXPECT_EQ(std::wstring(record.user), L"CORP\\auditor");
        EXPECT_EQ(std::wstring(record.password), std::wstring(259, L'p'));
    }
}

} // namespace
