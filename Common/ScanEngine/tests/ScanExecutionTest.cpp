// Whole analyses through the engine stand-in on a real folder: detections reported, stop and time-out,
// engine failures with their codes, the intensive paths, and the communications thread ended on
// every way out.

#include "AnalysisFixture.h"
#include "ScanExecution.h"
#include "TestLog.h"

#include <algorithm>

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

} // namespace
