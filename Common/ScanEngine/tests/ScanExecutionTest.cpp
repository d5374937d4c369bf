// Whole analyses through the engine stand-in on a real folder: detections reported, stop and time-out,
// engine failures with their codes, the intensive paths, and the communications thread ended on
// every way out.

#include "AnalysisFixture.h"
#include "FilteredElements.h"
#include "ScanExecution.h"
#include "TestLog.h"

#include <algorithm>
#include <map>

#include <shlobj.h>

namespace {

int g_items;
int g_stopAfter;
int g_throwAfter;

void CountItem(const char*)
{
    ++g_items;
    if (g_stopAfter > 0 && g_items == g_stopAfter)
        InterlockedExchange(&Adapter().stopRequested, 1);
    if (g_throwAfter > 0 && g_items == g_throwAfter)
        throw 7;
}

class ScanExecutionTest : public AnalysisFixture {
protected:
    void SetUp() override
    {
        AnalysisFixture::SetUp();
        g_items = 0;
        g_stopAfter = 0;
        g_throwAfter = 0;
        Hooks().progressItem = CountItem;
        WriteFile(Data("eicar.com"), Eicar());
        for (int i = 0; i < 6; ++i)
            WriteFile(Data("clean" + std::to_string(i) + ".txt"), "nothing to see " + std::to_string(i));
        dataFolder_ = folder_ + "data";
        config_.pathAnalysis = std::wstring(dataFolder_.begin(), dataFolder_.end());
        config_.analysisKinds = ANALYSIS_ALL_DISKS | ANALYSIS_NETWORK_DRIVES; // the path wins
        Scenario("[Disks]\nRoots=" + dataFolder_ + "\n");
    }

    bool Logged(const TestLog& log, const std::string& source, const std::string& text) const
    {
        std::vector<std::string> lines = log.Messages(source);
        return std::find(lines.begin(), lines.end(), text) != lines.end();
    }

    // The communications thread ended before the scan returned.
    void ExpectThreadEndedBefore(const TestLog& log, const std::string& scanEnd) const
    {
        std::vector<LogRecord> records = log.Records();
        auto thread = std::find_if(records.begin(), records.end(), [](const LogRecord& r) {
            return r.pid == GetCurrentProcessId() && r.message == "-CommObjectThread()";
        });
        auto scan = std::find_if(records.begin(), records.end(), [&](const LogRecord& r) {
            return r.pid == GetCurrentProcessId() && r.message == scanEnd;
        });
        ASSERT_NE(thread, records.end());
        ASSERT_NE(scan, records.end());
        EXPECT_LT(thread - records.begin(), scan - records.begin());
    }

    std::string dataFolder_;
};

TEST_F(ScanExecutionTest, EicarInAFolderIsDetectedAndReported)
{
    TestLog log;
    EXPECT_EQ(DoMalwareScan(false, false), 0);
    std::vector<std::string> added = Calls("ZOScan_AddAnalizableItem");
    ASSERT_EQ(added.size(), 1u) << "only the path, not the disks";
    EXPECT_NE(added[0].find("kind=0x11002"), std::string::npos) << added[0];
    EXPECT_NE(added[0].find("option=1"), std::string::npos) << added[0];

    ASSERT_EQ(results_->reports.size(), 1u);
    const ReportEntry& entry = results_->reports[0];
    EXPECT_EQ(entry.malwareName, "EICAR-Test-File");
    std::wstring path = entry.elementPath;
    EXPECT_NE(path.find(L"eicar.com"), std::wstring::npos);
    EXPECT_EQ(entry.action, 3u) << "the audit leaves it as it is";
    EXPECT_EQ(entry.md5, [] {
        std::string md5 = Md5Hex(Eicar());
        std::transform(md5.begin(), md5.end(), md5.begin(), ::toupper);
        return md5;
    }());
    EXPECT_EQ(entry.referenceText.rfind("1;0;UUVMRA", 0), 0u) << entry.referenceText;
    EXPECT_EQ(ReadFile(Data("eicar.com")), Eicar()) << "nothing was done to the file";
    EXPECT_GE(results_->totals.files, 7ul);

    // Grouped reports: the AnalysisData document of the analysis is written.
    std::string documents;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((config_.reportsPathA + "\\*.xml").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do
            documents += ReadFile(config_.reportsPathA + "\\" + data.cFileName);
        while (FindNextFileA(find, &data));
        FindClose(find);
    }
    EXPECT_NE(documents.find("<MalwareName>EICAR-Test-File</MalwareName>"), std::string::npos) << documents;
    EXPECT_TRUE(Logged(log, "ScanExecution.cpp", "analysisSystem.analyse"));
    ExpectThreadEndedBefore(log, "-DoMalwareScan()");
}

TEST_F(ScanExecutionTest, StopRequestedMidScanEndsAsStopped)
{
    g_stopAfter = 2;
    TestLog log;
    EXPECT_EQ(DoMalwareScan(false, false), 0);
    std::vector<std::string> analyse = Calls("ZOScan_Analyse");
    ASSERT_FALSE(analyse.empty());
    EXPECT_NE(analyse.back().find("-> 1223"), std::string::npos) << analyse.back();
    EXPECT_EQ(g_items, 2) << "no item after the stop";
    EXPECT_FALSE(Logged(log, "ScanExecution.cpp", "analysisSystem.analyse returned 1223"));
    EXPECT_TRUE(ErrorReports().empty());

    // The stop flag stays until the scan thread clears it: the next analysis stops at once.
    g_items = 0;
    EXPECT_EQ(DoMalwareScan(false, false), 0);
    EXPECT_EQ(g_items, 0);
}

TEST_F(ScanExecutionTest, TimeOutEventStopsTheAnalysisWithOneReport)
{
    Scenario("[Disks]\nRoots=" + dataFolder_ + "\n[Events]\nErrorAfter=2\nErrorCode=25\n");
    EXPECT_EQ(DoMalwareScan(false, false), 0);
    EXPECT_EQ(Adapter().timedOut, 1);
    EXPECT_EQ(Adapter().stopRequested, 1);
    std::vector<std::string> reports = ErrorReports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find("Timeout error from analysis"), std::string::npos);
    EXPECT_LE(g_items, 3);
}

TEST_F(ScanExecutionTest, EngineFailuresSurfaceWithTheirCode)
{
    struct Case {
        const char* fail;
        int result;
        const char* report; // text of the error report
        const char* logLine;
    } cases[] = {
        {"ZOScan_Analyse=31", 31, nullptr, "analysisSystem.analyse returned 31"},
        {"ZOScan_ConfigureAnalysis.0x5001=9", 9, "Error Configuring Scanner", "Error 9 configuring analysis"},
        {"ZOScan_AddAnalizableItem.0x11002=13", 13, "Error Initializing Analizable Item List",
         "Error 13 Initializing Analizable Item List"},
        {"ZOScan_InitializeAnalysisSystem=1234", 1234, "caught ZoscanException in DoMalwareScan: 1234 - Error: 1234",
         nullptr},
    };
    for (const Case& c : cases) {
        Scenario(std::string("[Fail]\n") + c.fail + "\n");
        TestLog log;
        size_t reportsBefore = ErrorReports().size();
        EXPECT_EQ(DoMalwareScan(false, false), c.result) << c.fail;
        std::vector<std::string> reports = ErrorReports();
        if (c.report) {
            ASSERT_EQ(reports.size(), reportsBefore + 1) << c.fail;
            bool found = std::any_of(reports.begin(), reports.end(),
                                     [&](const std::string& r) { return r.find(c.report) != std::string::npos; });
            EXPECT_TRUE(found) << c.fail;
        } else {
            EXPECT_EQ(reports.size(), reportsBefore) << c.fail;
        }
        if (c.logLine) {
            EXPECT_TRUE(Logged(log, "ScanExecution.cpp", c.logLine)) << c.fail;
        }
        if (std::string(c.fail).rfind("ZOScan_InitializeAnalysisSystem", 0) != 0) {
            ExpectThreadEndedBefore(log, "-DoMalwareScan()"); // not started when the system failed
        }
    }
}

TEST_F(ScanExecutionTest, ExceptionInACallbackIsReturnedAfterTheEngine)
{
    g_throwAfter = 1;
    TestLog log;
    EXPECT_EQ(DoMalwareScan(false, false), 7);
    EXPECT_TRUE(Logged(log, "ScanExecution.cpp", "caught int exception in DoMalwareScan :7"));
    std::vector<std::string> reports = ErrorReports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find("caught int exception in DoMalwareScan: 7"), std::string::npos) << reports[0];
    EXPECT_EQ(g_items, 1) << "the engine was stopped at the next progress call";
    ExpectThreadEndedBefore(log, "-DoMalwareScan()");
}

TEST_F(ScanExecutionTest, IntensivePathsCutOnACopyAndLowerCased)
{
    std::string upper = dataFolder_;
    std::transform(upper.begin(), upper.end(), upper.begin(), ::toupper);
    std::wstring entry = std::wstring(upper.begin(), upper.end()) + L"|s";
    config_.intensiveAnalysisPaths = {entry, L"%WINDIR%\\NoSuchFolder"};
    config_.analysisKinds = 0; // no disk analysis: the intensive one reports its detections

    EXPECT_EQ(DoIntensiveMalwareScan(), 0);
    EXPECT_EQ(config_.intensiveAnalysisPaths[0], entry) << "the configuration keeps its entry";
    std::vector<std::string> added = Calls("ZOScan_AddAnalizableItem");
    ASSERT_EQ(added.size(), 2u);
    std::string lower = dataFolder_;
    std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
    std::string quoted;
    for (char ch : lower) {
        if (ch == '\\')
            quoted += '\\';
        quoted += ch;
    }
    EXPECT_NE(added[0].find("path=\"" + quoted + "\" option=1"), std::string::npos) << added[0];
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    EXPECT_NE(added[1].find("option=0"), std::string::npos) << added[1];
    EXPECT_EQ(added[1].find("%windir%"), std::string::npos) << added[1];
    ASSERT_EQ(results_->reports.size(), 1u);
    EXPECT_EQ(results_->reports[0].malwareName, "EICAR-Test-File");

    // With the disk analysis configured, that one reports: the intensive analysis drops it.
    config_.analysisKinds = ANALYSIS_ALL_DISKS;
    EXPECT_EQ(DoIntensiveMalwareScan(), 0);
    EXPECT_TRUE(results_->reports.empty());

    // A refused configuration gives 2; the intensive analysis ignores the stop flag.
    Scenario("[Fail]\nZOScan_ConfigureAnalysis.0x5001=9\n");
    EXPECT_EQ(DoIntensiveMalwareScan(), 2);
    Scenario("");
    InterlockedExchange(&Adapter().stopRequested, 1);
    g_items = 0;
    EXPECT_EQ(DoIntensiveMalwareScan(), 0);
    EXPECT_GT(g_items, 1);
}

TEST_F(ScanExecutionTest, ItemsOfEachAnalysisKind)
{
    struct Case {
        const char* what;
        bool mail, memory;
        unsigned kinds;
        bool path;
        std::vector<uint32_t> items;
    } cases[] = {
        {"mail, both stores", true, false, ANALYSIS_OUTLOOK | ANALYSIS_OUTLOOK_EXPRESS, false, {3, 4}},
        {"mail, Outlook Express only", true, false, ANALYSIS_OUTLOOK_EXPRESS | ANALYSIS_ALL_DISKS, false, {4}},
        {"memory", false, true, ANALYSIS_ALL_DISKS, true, {2}},
        {"path wins over the disks", false, false, ANALYSIS_ALL_DISKS | ANALYSIS_REMOVABLE_DISKS, true, {0x11002}},
        {"fixed disks", false, false, ANALYSIS_ALL_DISKS, false, {6}},
        {"with removable disks", false, false, ANALYSIS_ALL_DISKS | ANALYSIS_REMOVABLE_DISKS, false, {8}},
        {"nothing", false, false, 0, false, {}},
    };
    for (const Case& c : cases) {
        config_.analysisKinds = c.kinds;
        config_.pathAnalysis = c.path ? L"C:\\Data" : L"";
        std::vector<uint32_t> kinds;
        for (const ScanItem& item : MalwareScanItems(c.mail, c.memory))
            kinds.push_back(item.kind);
        EXPECT_EQ(kinds, c.items) << c.what;
    }
}

TEST_F(ScanExecutionTest, MailAnalysisFillsTheSharedBlockAndTheStatistics)
{
    static std::vector<std::string> calls;
    calls.clear();
    Hooks().mailBlockOpen = [] { return true; };
    Hooks().mailStopRequest = [] { return 0u; };
    Hooks().mailProgress = [](const char*, uint32_t, uint32_t) {};
    Hooks().mailTotals = [](unsigned long elements, unsigned long files, unsigned long messages) {
        calls.push_back("totals " + std::to_string(elements) + " " + std::to_string(files) + " " + std::to_string(messages));
    };
    Hooks().statInitDiskStats = [](const char* folder) { calls.push_back(std::string("init ") + folder); };
    Hooks().statFinalizeDiskStats = [] { calls.push_back("finalize"); };
    Hooks().statAddResultToDisk = [](const void*) { calls.push_back("result"); };
    config_.generateStatistics = true;
    config_.analysisKinds = ANALYSIS_OUTLOOK_EXPRESS;

    // A message store in the profile, where the engine looks for mail.
    wchar_t profile[MAX_PATH] = {};
    ASSERT_TRUE(SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_PROFILE, nullptr, 0, profile)));
    std::string store = std::string(profile, profile + wcslen(profile)) + "\\kv_mail_test_" +
                        std::to_string(GetCurrentProcessId());
    CreateDirectoryA(store.c_str(), nullptr);
    WriteFile(store + "\\inbox.eml", "Subject: hello\r\n\r\n" + Eicar());

    EXPECT_EQ(DoMalwareScan(true, false), 0);
    DeleteFileA((store + "\\inbox.eml").c_str());
    RemoveDirectoryA(store.c_str());

    auto settings = Settings();
    EXPECT_TRUE(std::none_of(settings.begin(), settings.end(),
                             [](const auto& s) { return s.first == "ZOSCAN_CFG_MAPI_SESSION_FLAGS"; }));
    ASSERT_GE(calls.size(), 4u);
    EXPECT_EQ(calls.front(), "init " + programFolder_ + "\\Statistics");
    EXPECT_EQ(calls[calls.size() - 2], "totals " + std::to_string(results_->totals.elements) + " " +
                                           std::to_string(results_->totals.files) + " " +
                                           std::to_string(results_->totals.messages));
    EXPECT_GE(results_->totals.messages, 1ul);
    EXPECT_EQ(calls.back(), "finalize");
    bool found = false;
    for (const ReportEntry& entry : results_->reports)
        found |= entry.malwareName == "EICAR-Test-File" && entry.location == REPORT_LOCATION_OUTLOOK_EXPRESS;
    EXPECT_TRUE(found);
}

TEST_F(ScanExecutionTest, ProxyIsLoggedWithoutItsPassword)
{
    config_.proxyServer = L"proxy.example";
    config_.proxyPort = L"8080";
    config_.proxyUser = L"alice";
    config_.proxyPassword = L"secret";
    TestLog log;
    EXPECT_EQ(DoMalwareScan(false, false), 0);
    EXPECT_TRUE(Logged(log, "CommObjectSession.cpp",
                       "Creating LibVorn Object with proxy [proxy.example:8080]. Credentials: [alice:********]"));
    for (const LogRecord& record : log.Records())
        EXPECT_EQ(record.message.find("secret"), std::string::npos) << record.message;
}

TEST_F(ScanExecutionTest, GroupsFilteredAndHeuristicDetectionsThroughTheEngine)
{
    WriteFile(Data("joke.txt"), "KVAUDIT-TEST-JOKE-7F31");
    WriteFile(Data("filtered.bin"), "xx KVAUDIT-TEST-FILTERED-7F31 xx");
    WriteFile(Data("heuristic.bin"), "KVAUDIT-TEST-HEURISTIC-7F31");
    WriteFile(Data("suspicious.bin"), "KVAUDIT-TEST-SUSPICIOUS-7F31");
    std::string filteredFile = folder_ + "fSuspInfo.dat";

    config_.diskHeuristicSensitivity = HEURISTIC_MEDIUM;
    EXPECT_EQ(DoMalwareScan(false, false), 0);
    std::map<std::string, std::string> ids;
    for (const ReportEntry& e : results_->reports)
        ids[e.malwareName] = e.malwareId + " " + std::to_string(e.malwareType);
    EXPECT_EQ(ids, (std::map<std::string, std::string>{{"EICAR-Test-File", "0.1 0"},
                                                        {"Joke/KvTest", "0.2 5"},
                                                        {"Heuristic/KvTest", "0.0 11"},
                                                        {"Suspicious/KvTest", "0.0 11"}}));
    // The filtered element went to the file only: its header and one record naming it.
    Adapter().filtered.Close();
    std::string bytes = ReadFile(filteredFile);
    ASSERT_GT(bytes.size(), kFilteredHeaderSize);
    EXPECT_EQ(bytes.substr(0, kFilteredHeaderSize), FilteredHeaderBytes(config_.instanceId));
    std::string path = Data("filtered.bin");
    std::string utf16;
    for (char c : path) {
        utf16 += c;
        utf16 += '\0';
    }
    EXPECT_NE(bytes.find(utf16), std::string::npos);

    // Sensitivity Off: no heuristic detection is reported.
    config_.diskHeuristicSensitivity = HEURISTIC_OFF;
    EXPECT_EQ(DoMalwareScan(false, false), 0);
    for (const ReportEntry& e : results_->reports)
        EXPECT_NE(e.malwareType, 11u) << e.malwareName;
    EXPECT_EQ(results_->reports.size(), 2u);
}

TEST_F(ScanExecutionTest, NoFilteredElementNoFile)
{
    EXPECT_EQ(DoMalwareScan(false, false), 0);
    EXPECT_EQ(GetFileAttributesA((folder_ + "fSuspInfo.dat").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(ScanExecutionTest, MaxNumDetectionsCountsAgainInEachAnalysis)
{
    WriteFile(Data("joke.txt"), "KVAUDIT-TEST-JOKE-7F31");
    config_.maxNumDetections = 1;
    for (int run = 0; run < 2; ++run) {
        EXPECT_EQ(DoMalwareScan(false, false), 0);
        EXPECT_EQ(results_->reports.size(), 1u) << "run " << run;
    }
}

TEST_F(ScanExecutionTest, DisinfectionModeAnswersTheEnginesQuestions)
{
    WriteFile(Data("joke.txt"), "KVAUDIT-TEST-JOKE-7F31");
    config_.disinfection = true;
    config_.virusAction = MALWARE_DISINFECT;
    config_.jokesAction = MALWARE_INFORM;
    TestLog log;
    EXPECT_EQ(DoMalwareScan(false, false), 0);

    std::map<std::string, uint32_t> actions;
    for (const ReportEntry& e : results_->reports)
        actions[e.malwareName] = e.action;
    EXPECT_EQ(actions, (std::map<std::string, uint32_t>{{"EICAR-Test-File", 0u}, {"Joke/KvTest", 3u}}));
    EXPECT_EQ(ReadFile(Data("eicar.com")).find(Eicar()), std::string::npos) << "disinfected";
    EXPECT_EQ(ReadFile(Data("joke.txt")), "KVAUDIT-TEST-JOKE-7F31") << "only informed";
    std::vector<std::string> asks = log.Messages("QuestionHandler.cpp");
    EXPECT_EQ(std::count(asks.begin(), asks.end(), "--ASK--"), 2);
    EXPECT_EQ(config_.answeredPaths.size(), 2u);

    // The same elements asked about again in a later analysis are left alone.
    WriteFile(Data("eicar.com"), Eicar());
    EXPECT_EQ(DoMalwareScan(false, false), 0);
    EXPECT_EQ(ReadFile(Data("eicar.com")), Eicar());
}

} // namespace
