// The scanner's own analysis run in this process against the engine, quarantine manager and service
// stand-ins in a temporary program folder; the mail scanner's block and launch are fakes.
#include "AdapterState.h"
#include "AuditState.h"
#include "EngineFixture.h"
#include "Globals.h"
#include "ScanHooks.h"
#include "ScanThread.h"
#include "ScanThreadHooks.h"
#include "TestLog.h"
#include "TextHelpers.h"
#include "zoksvc.h"

#include <process.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <string>
#include <vector>

int RunScan(void* instance);

namespace {

std::atomic<int> g_mailLaunches{0};
std::atomic<int> g_blockReleases{0};
std::atomic<bool> g_watcherRanAtRelease{false};
std::atomic<DWORD> g_serviceStateInMail{0};
std::atomic<bool> g_mapiInMail{false};
int g_mailResult = 0;
int g_updateResult = 1;

bool FakeCreateBlock() { return true; }
void FakeReleaseBlock()
{
    g_watcherRanAtRelease = ScanRun().watcherRunning.load();
    ++g_blockReleases;
}
int FakeUpdate(const SigUpdateRequest&) { return g_updateResult; }

std::atomic<int> g_mailStops{0};
std::string g_stopFile;

void FakeMailStop() { ++g_mailStops; }

// The mail scanner runs until the scanner asks it to stop (bounded); a remote stop arrives meanwhile.
int StoppedMailLaunch()
{
    std::ofstream(g_stopFile) << "";
    for (int i = 0; i < 200 && g_mailStops == 0; ++i)
        Sleep(50);
    ++g_mailLaunches;
    return 0;
}

int ThrowingMailLaunch()
{
    throw 5;
}

unsigned __stdcall RunScanEntry(void*)
{
    return static_cast<unsigned>(RunScan(nullptr));
}

DWORD EngineServiceState()
{
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (!manager)
        return 0;
    DWORD state = 0;
    if (SC_HANDLE service = OpenServiceA(manager, ZOKSVC_SERVICE_NAME, SERVICE_QUERY_STATUS)) {
        SERVICE_STATUS status = {};
        if (QueryServiceStatus(service, &status))
            state = status.dwCurrentState;
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
    return state;
}

bool MapiValuePresent(const char* name);

int FakeMailLaunch()
{
    g_serviceStateInMail = EngineServiceState();
    g_mapiInMail = MapiValuePresent("KVMailScan.exe") && MapiValuePresent("KVMScan.exe");
    ++g_mailLaunches;
    return g_mailResult;
}

void RemoveEngineService()
{
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (!manager)
        return;
    if (SC_HANDLE service = OpenServiceA(manager, ZOKSVC_SERVICE_NAME, SERVICE_ALL_ACCESS)) {
        SERVICE_STATUS status = {};
        ControlService(service, SERVICE_CONTROL_STOP, &status);
        for (int i = 0; i < 100 && QueryServiceStatus(service, &status) && status.dwCurrentState != SERVICE_STOPPED; ++i)
            Sleep(50);
        DeleteService(service);
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
}

bool MapiValuePresent(const char* name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows Messaging Subsystem\\MSMapiApps", 0,
                      KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    bool present = RegQueryValueExA(key, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    RegCloseKey(key);
    return present;
}

class ScanRunFixture : public EngineFolder {
protected:
    void SetUp() override
    {
        EngineFolder::SetUp();
        std::string dist = DistFolder();
        for (const char* file : {"zosqem.dll", ZOKSVC_EXECUTABLE})
            ASSERT_TRUE(CopyFileA((dist + file).c_str(), (folder_ + file).c_str(), FALSE)) << dist + file;
        program_ = folder_.substr(0, folder_.size() - 1);
        reports_ = folder_ + "Reports";
        CreateDirectoryA(reports_.c_str(), nullptr);
        CreateDirectoryA((folder_ + "data").c_str(), nullptr);

        savedConfig_ = g_config;
        savedCalls_ = ScanCalls();
        g_config = TessalyConfig();
        g_config.programFolder = program_;
        g_config.logModule = "KvScan";
        g_config.osType = 5;
        g_config.instanceId = "{11111111-2222-3333-4444-555555555555}";
        g_config.appRefVersion = L"0123456789ABCDEF0123456789ABCDEF";
        g_config.clientVersion = L"2.00.00.00";
        g_config.user = L"auditor";
        g_config.reportsPathA = reports_;
        g_config.reportsPath = ToWide(reports_);
        g_config.suspiciousFolder = ToWide(folder_ + "Suspicious");
        g_config.analysisKinds = 0;
        g_config.pathAnalysis = ToWide(folder_ + "data");
        Audit().signatureFilePresent = true;
        Audit().newSuspiciousFiles = false;
        Adapter().stopRequested = 0;
        Hooks() = ScanHooks();

        ScanCalls().createMailBlock = FakeCreateBlock;
        ScanCalls().releaseMailBlock = FakeReleaseBlock;
        ScanCalls().launchMailScan = FakeMailLaunch;
        g_mailLaunches = 0;
        g_blockReleases = 0;
        g_watcherRanAtRelease = true;
        g_serviceStateInMail = 0;
        g_mapiInMail = false;
        g_mailResult = 0;
    }
    void TearDown() override
    {
        RemoveEngineService();
        Adapter().filtered.Close();
        ScanCalls() = savedCalls_;
        g_config = savedConfig_;
        EngineFolder::TearDown();
    }
    std::vector<std::string> Files(const std::string& pattern) const
    {
        std::vector<std::string> names;
        WIN32_FIND_DATAA data;
        HANDLE find = FindFirstFileA((reports_ + "\\" + pattern).c_str(), &data);
        if (find == INVALID_HANDLE_VALUE)
            return names;
        do
            names.push_back(data.cFileName);
        while (FindNextFileA(find, &data));
        FindClose(find);
        return names;
    }
    // The AnalysisDetails documents: every .xml file of the reports folder that says so.
    int AnalysisDetailsDocuments() const
    {
        int count = 0;
        for (const std::string& name : Files("*.xml"))
            if (ReadFile(reports_ + "\\" + name).find("AnalysisDetails") != std::string::npos)
                ++count;
        return count;
    }
    std::vector<std::string> ErrorReports() const
    {
        std::vector<std::string> texts;
        for (const std::string& name : Files("ErrorReport_*"))
            texts.push_back(ReadFile(reports_ + "\\" + name));
        return texts;
    }
    static bool Has(const std::vector<std::string>& lines, const std::string& line)
    {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    size_t EngineCalls(const std::string& call) const
    {
        std::string prefix = std::to_string(GetCurrentProcessId()) + " ";
        size_t n = 0;
        for (const std::string& line : JournalLines())
            if (line.compare(0, prefix.size(), prefix) == 0 && line.find(call) != std::string::npos)
                ++n;
        return n;
    }

    std::string program_, reports_;
    TessalyConfig savedConfig_;
    ScanThreadCalls savedCalls_;
};

TEST_F(ScanRunFixture, DiskAnalysisRunsBetweenTheTwoDocumentsWithTheQuarantineManager)
{
    WriteFile(Data("clean.txt"), "nothing to see");
    WriteFile(Data("eicar.com"), Eicar());
    TestLog log;
    ASSERT_EQ(RunScan(nullptr), 0);

    std::vector<std::string> scan = log.Messages("ScanThread.cpp");
    auto at = [&](const char* line) { return std::find(scan.begin(), scan.end(), line) - scan.begin(); };
    ASSERT_TRUE(Has(scan, "Start Disk Analysis"));
    EXPECT_LT(at("Start Disk Analysis"), at("End Disk Analysis"));
    EXPECT_LT(at("End Disk Analysis"), at("Finalizing Quarantine Manager"));
    EXPECT_LT(at("Finalizing Quarantine Manager"), at("Creating End Analysis Details"));
    EXPECT_FALSE(Has(scan, "Start Memory Analysis"));
    EXPECT_FALSE(Has(scan, "Start Mail Analysis"));
    EXPECT_TRUE(Has(log.Messages("RunScan.cpp"), "ScanThread finished"));

    EXPECT_EQ(AnalysisDetailsDocuments(), 2);
    EXPECT_TRUE(Audit().signatureFilePresent);
    EXPECT_FALSE(Audit().newSuspiciousFiles);
    EXPECT_EQ(g_blockReleases, 1);
    EXPECT_FALSE(g_watcherRanAtRelease) << "the stop watcher still ran when the block was released";
    EXPECT_FALSE(MapiValuePresent("KVMailScan.exe"));
    EXPECT_FALSE(MapiValuePresent("KVMScan.exe"));

    std::string qem = ReadFile(folder_ + "zosqem.journal");
    EXPECT_NE(qem.find("QEM_InitializeQuarantineManager version=1 client=\""), std::string::npos) << qem;
    EXPECT_NE(qem.find("appRef=\"0123456789ABCDEF0123456789ABCDEF\" product=\"Morvik\" clientVersion=\"2.00.00.00\" "
                       "mode=2 user=\"auditor\" folder=\"" + folder_ + "Suspicious\" -> 0"),
              std::string::npos)
        << qem;
    // The engine was handed the manager's client identifier, which was finalised after the analysis.
    size_t start = qem.find(" manager=");
    ASSERT_NE(start, std::string::npos);
    std::string manager = qem.substr(start + 9, qem.find_first_of("\r\n", start) - start - 9);
    EXPECT_EQ(EngineCalls("ZOSCAN_CFG_QEM_CLID value=" + manager + " "), 1u);
    EXPECT_NE(qem.find("QEM_FinalizeQuarantineManager manager=" + manager + " -> 0"), std::string::npos);
    EXPECT_GE(EngineCalls("malware=\"EICAR"), 1u);
}

TEST_F(ScanRunFixture, StopFileDuringTheDiskPhaseStopsItSkipsMailAndStillWritesTheFinalDocument)
{
    for (int i = 0; i < 60; ++i)
        WriteFile(Data("file" + std::to_string(i) + ".txt"), "plain");
    Scenario("[Progress]\nDelayMs=250\n");
    g_config.analysisKinds = ANALYSIS_OUTLOOK;
    TestLog log;

    HANDLE run = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, RunScanEntry, nullptr, 0, nullptr));
    ASSERT_NE(run, nullptr);
    // Once the disk phase has analysed something, the remote stop request arrives.
    for (int i = 0; i < 200 && EngineCalls("callback type=0x80") == 0; ++i)
        Sleep(50);
    ASSERT_GT(EngineCalls("callback type=0x80"), 0u);
    WriteFile(folder_ + "stop.dat", "");
    ASSERT_EQ(WaitForSingleObject(run, 30000), WAIT_OBJECT_0);
    CloseHandle(run);
    DeleteFileA((folder_ + "stop.dat").c_str());

    EXPECT_LT(EngineCalls("callback type=0x80"), 60u) << "the disk phase ran to its end";
    EXPECT_TRUE(Has(log.Messages("StopWatcher.cpp"), "Remote request to finish analysis arrived --> finalizing..."));
    std::vector<std::string> scan = log.Messages("ScanThread.cpp");
    EXPECT_TRUE(Has(scan, "End Disk Analysis"));
    EXPECT_FALSE(Has(scan, "Start Mail Analysis"));
    EXPECT_EQ(g_mailLaunches, 0);
    EXPECT_TRUE(Has(scan, "Creating End Analysis Details"));
    EXPECT_EQ(AnalysisDetailsDocuments(), 2);
}

TEST_F(ScanRunFixture, MissingSignatureFileMeansNoAnalysisAndNoDocuments)
{
    ASSERT_TRUE(DeleteFileA((folder_ + "Qel.sig").c_str()));
    g_config.generateStatistics = true;
    TestLog log;
    EXPECT_EQ(RunScan(nullptr), 0);
    EXPECT_FALSE(Audit().signatureFilePresent);
    EXPECT_FALSE(g_config.generateStatistics);
    EXPECT_EQ(AnalysisDetailsDocuments(), 0);
    EXPECT_FALSE(Has(log.Messages("ScanThread.cpp"), "Start Disk Analysis"));
    EXPECT_EQ(ReadFile(folder_ + "zosqem.journal"), "");
}

TEST_F(ScanRunFixture, QuarantineManagerFailureEndsTheScanWithTwoAndAReport)
{
    WriteFile(folder_ + "zosqem.faults", "[Fail]\nQEM_InitializeQuarantineManager=1450\n");
    WriteFile(Data("clean.txt"), "nothing");
    TestLog log;
    EXPECT_EQ(ScanThread(nullptr), 2u);
    EXPECT_TRUE(Has(log.Messages("ScanThread.cpp"), "Error 1450 Initializing QEM"));
    EXPECT_FALSE(Has(log.Messages("ScanThread.cpp"), "Start Disk Analysis"));
    std::vector<std::string> reports = ErrorReports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find("Code=1450\r\nMessage=Error Initalizing VLM"), std::string::npos) << reports[0];
    // The initial document was written, so the final one is too; no manager to finalise.
    EXPECT_EQ(AnalysisDetailsDocuments(), 2);
    EXPECT_FALSE(Has(log.Messages("ScanThread.cpp"), "Finalizing Quarantine Manager"));
}

TEST_F(ScanRunFixture, SignatureUpdateResultsOtherThanSuccessAreReportedWithTheirCode)
{
    g_config.checkUpdates = true;
    ScanCalls().checkQelsig = FakeUpdate;
    g_config.analysisKinds = 0;
    g_config.pathAnalysis.clear();
    struct Case {
        int result;
        bool reported;
    } cases[] = {{1, false}, {0, true}, {4003, true}, {4005, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.result);
        for (const std::string& name : Files("ErrorReport_*"))
            DeleteFileA((reports_ + "\\" + name).c_str());
        g_updateResult = c.result;
        ScanThread(nullptr);
        std::vector<std::string> reports = ErrorReports();
        ASSERT_EQ(reports.size(), c.reported ? 1u : 0u);
        if (c.reported) {
            EXPECT_NE(reports[0].find("Code=2517\r\nMessage=Error updating identifiers"), std::string::npos);
            EXPECT_NE(reports[0].find("ExtraText=KVCOMS_CheckQelsig returned " + std::to_string(c.result) + "\r\n"),
                      std::string::npos)
                << reports[0];
        }
    }
    // A configured ReportsFolder means no update at all.
    g_config.reportsFolder = L"\\\\server\\share";
    g_updateResult = 0;
    for (const std::string& name : Files("ErrorReport_*"))
        DeleteFileA((reports_ + "\\" + name).c_str());
    ScanThread(nullptr);
    EXPECT_TRUE(ErrorReports().empty());
}

TEST_F(ScanRunFixture, EngineServiceRunsDuringTheAnalysisOnWindows7)
{
    g_config.osType = 11;
    g_config.analysisKinds = ANALYSIS_OUTLOOK;
    g_config.pathAnalysis.clear();
    ASSERT_EQ(RunScan(nullptr), 0);
    EXPECT_EQ(g_mailLaunches, 1);
    EXPECT_EQ(g_serviceStateInMail, static_cast<DWORD>(SERVICE_RUNNING));
    EXPECT_NE(ReadFile(folder_ + "zoksvc.journal").find("running"), std::string::npos);
    EXPECT_TRUE(g_mapiInMail) << "the mail programs were not MAPI clients during the mail analysis";
    EXPECT_FALSE(MapiValuePresent("KVMailScan.exe"));
}

TEST_F(ScanRunFixture, MailScannerAskingForARestartMakesTheRunEndWithSix)
{
    g_config.analysisKinds = ANALYSIS_OUTLOOK_EXPRESS;
    g_config.pathAnalysis.clear();
    g_mailResult = 6;
    EXPECT_EQ(RunScan(nullptr), 6);
    EXPECT_TRUE(g_config.restartNeeded);
}

} // namespace

namespace {

TEST_F(ScanRunFixture, StopFileDuringTheMailPhaseAsksTheMailScannerToStop)
{
    g_config.analysisKinds = ANALYSIS_OUTLOOK;
    g_config.pathAnalysis.clear();
    ScanCalls().launchMailScan = StoppedMailLaunch;
    ScanCalls().requestMailStop = FakeMailStop;
    g_mailStops = 0;
    g_stopFile = folder_ + "stop.dat";
    TestLog log;
    EXPECT_EQ(RunScan(nullptr), 0);
    DeleteFileA(g_stopFile.c_str());
    EXPECT_EQ(g_mailStops, 1);
    EXPECT_EQ(Adapter().stopRequested, 1);
    EXPECT_TRUE(Has(log.Messages("ScanThread.cpp"), "End Mail Analysis"));
    EXPECT_EQ(AnalysisDetailsDocuments(), 2);
}

TEST_F(ScanRunFixture, ExceptionInAPhaseStillCleansUpAndWritesTheFinalDocument)
{
    g_config.analysisKinds = ANALYSIS_OUTLOOK;
    g_config.pathAnalysis.clear();
    ScanCalls().launchMailScan = ThrowingMailLaunch;
    TestLog log;
    EXPECT_EQ(RunScan(nullptr), 0);
    std::vector<std::string> scan = log.Messages("ScanThread.cpp");
    EXPECT_TRUE(Has(scan, "Exception caught in ScanThread"));
    EXPECT_TRUE(Has(scan, "Finalizing Quarantine Manager"));
    EXPECT_FALSE(Audit().newSuspiciousFiles);
    EXPECT_FALSE(MapiValuePresent("KVMailScan.exe"));
    EXPECT_EQ(AnalysisDetailsDocuments(), 2);
}

} // namespace
