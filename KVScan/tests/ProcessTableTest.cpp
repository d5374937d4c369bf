// The chain of configured programs, run for real: the sleeper tool (beside this test) notes its start and
// end in a journal, error reports are files in a reports folder of the test's own.
#include "AdapterState.h"
#include "AuditState.h"
#include "ErrorReportFiles.h"
#include "FileHelpers.h"
#include "Globals.h"
#include "ProcessTable.h"
#include "ScanProcessThread.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string ExeFolder()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string text = path;
    return text.substr(0, text.find_last_of('\\'));
}

std::wstring Wide(const std::string& text)
{
    return std::wstring(text.begin(), text.end());
}

using Report = std::map<std::string, std::string>;

// What the fake analysis and inventory threads of the scanner's own entry saw and did.
struct OwnEntryProbe {
    std::atomic<int> inventoryThreads{0};
    std::atomic<void*> context{nullptr};
    std::atomic<bool> sawStop{false};
    std::atomic<bool> finished{false};
    int result = 0;
    unsigned protectionsCode = 0;
    HANDLE release = nullptr; // set: the analysis ignores stop requests until this event is set
};
OwnEntryProbe* g_probe = nullptr;

int FakeRunScan(void* context)
{
    g_probe->context = context;
    if (g_probe->release) {
        WaitForSingleObject(g_probe->release, 30000);
    } else if (g_probe->result == -1) {
        for (int i = 0; i < 1000 && !g_probe->sawStop; ++i) {
            g_probe->sawStop = Adapter().stopRequested != 0;
            Sleep(10);
        }
    }
    g_probe->finished = true;
    return g_probe->result;
}

unsigned __stdcall FakeSystemInformation(void*)
{
    ++g_probe->inventoryThreads;
    return 0;
}

unsigned __stdcall FakeProtectionsCheck(void*)
{
    ++g_probe->inventoryThreads;
    return g_probe->protectionsCode;
}

class ProcessTableTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        folder_ = std::string(temp) + "kvchain_" + std::to_string(GetCurrentProcessId()) + "_" +
                  std::to_string(GetTickCount());
        CreateDirectoryA(folder_.c_str(), nullptr);
        reports_ = folder_ + "\\Reports";
        CreateDirectoryA(reports_.c_str(), nullptr);
        journal_ = folder_ + "\\journal.txt";

        saved_ = g_scanProcess;
        g_probe = &probe_;
        g_scanProcess.runScan = FakeRunScan;
        g_scanProcess.systemInformation = FakeSystemInformation;
        g_scanProcess.protectionsCheck = FakeProtectionsCheck;
        g_config.programFolder = ExeFolder();
        g_config.reportsPathA = reports_;
        g_config.instanceId = "{7E57C4A1-0000-4000-8000-000000000001}";
        g_config.configWasEncrypted = false;
        g_config.disinfection = false;
        g_config.processes.clear();
        Audit().restartNeeded = false;
        Adapter().stopRequested = 0;
    }

    void TearDown() override
    {
        g_scanProcess = saved_;
        g_config.processes.clear();
        if (probe_.release)
            CloseHandle(probe_.release);
        EmptyFolder(Wide(folder_));
        RemoveDirectoryA(folder_.c_str());
    }

    void Add(const std::wstring& command, const std::wstring& params, bool wait, const std::wstring& timeOut = L"60")
    {
        ProcessEntry entry;
        entry.command = command;
        entry.params = params;
        entry.wait = wait;
        entry.timeOut = timeOut;
        g_config.processes.push_back(entry);
    }

    void AddSleeper(const std::string& tag, int milliseconds, const std::string& code, bool wait,
                    const std::wstring& timeOut = L"60")
    {
        Add(L"sleeper.exe", Wide(std::to_string(milliseconds) + " " + code + " \"" + journal_ + "\" " + tag), wait,
            timeOut);
    }

    // Starts the chain and waits (bounded) until no program thread is left.
    void RunChain(void* context = nullptr, DWORD limitMs = 20000)
    {
        LaunchProgram(0, context);
        DWORD start = GetTickCount();
        while (RunningPrograms() > 0 && GetTickCount() - start < limitMs)
            Sleep(20);
        ASSERT_EQ(RunningPrograms(), 0) << "the chain did not end within " << limitMs << " ms";
    }

    // Journal lines without the process id: "start A", "end A", ...
    std::vector<std::string> Events() const
    {
        std::vector<std::string> events;
        std::ifstream in(journal_);
        std::string what, tag, pid;
        while (in >> what >> tag >> pid)
            events.push_back(what + " " + tag);
        return events;
    }

    DWORD PidOf(const std::string& tag) const
    {
        std::ifstream in(journal_);
        std::string what, name;
        unsigned long pid = 0;
        while (in >> what >> name >> pid)
            if (name == tag)
                return pid;
        return 0;
    }

    std::vector<Report> Reports(int code) const
    {
        std::vector<Report> found;
        for (const ErrorReportFile& report : ErrorReportFiles(reports_, code))
            found.push_back(report.fields);
        return found;
    }

    void ClearReports() const
    {
        WIN32_FIND_DATAA data;
        HANDLE find = FindFirstFileA((reports_ + "\\*.txt").c_str(), &data);
        if (find == INVALID_HANDLE_VALUE)
            return;
        do
            DeleteFileA((reports_ + "\\" + data.cFileName).c_str());
        while (FindNextFileA(find, &data));
        FindClose(find);
    }

    int Position(const std::vector<std::string>& events, const std::string& event) const
    {
        auto at = std::find(events.begin(), events.end(), event);
        return at == events.end() ? -1 : static_cast<int>(at - events.begin());
    }

    std::string SleeperLine(int milliseconds, const std::string& code, const std::string& tag) const
    {
        return "\"" + ExeFolder() + "\\sleeper.exe\" " + std::to_string(milliseconds) + " " + code + " \"" + journal_ +
               "\" " + tag;
    }

    std::string folder_, reports_, journal_;
    ScanProcessCalls saved_{};
    OwnEntryProbe probe_;
};

TEST_F(ProcessTableTest, WaitTrueRunsTheEntriesOneAfterAnother)
{
    AddSleeper("A", 150, "0", true);
    AddSleeper("B", 150, "0", true);
    AddSleeper("C", 150, "0", true);
    RunChain();
    EXPECT_EQ(Events(), (std::vector<std::string>{"start A", "end A", "start B", "end B", "start C", "end C"}));
    EXPECT_TRUE(Reports(3501).empty());
    EXPECT_TRUE(Reports(3502).empty());
}

TEST_F(ProcessTableTest, WaitFalseStartsTheNextEntryWhileTheFirstRuns)
{
    AddSleeper("A", 3000, "0", false);
    AddSleeper("B", 100, "0", true);
    AddSleeper("C", 100, "0", true);
    RunChain();
    std::vector<std::string> events = Events();
    ASSERT_EQ(events.size(), 6u);
    // B and C run (in order) while A still sleeps; the chain ends only after A.
    EXPECT_LT(Position(events, "end B"), Position(events, "start C"));
    EXPECT_LT(Position(events, "end C"), Position(events, "end A"));
    EXPECT_EQ(events.back(), "end A");
}

TEST_F(ProcessTableTest, AProgramThatCannotBeCreatedStillLeadsToTheNext)
{
    for (bool wait : {true, false}) {
        SCOPED_TRACE(wait ? "Wait true" : "Wait false");
        DeleteFileA(journal_.c_str());
        g_config.processes.clear();
        Add(L"no-such-program.exe", L"", wait);
        AddSleeper("B", 50, "0", true);
        RunChain();
        EXPECT_EQ(Events(), (std::vector<std::string>{"start B", "end B"}));
        EXPECT_TRUE(Reports(3501).empty());
        EXPECT_TRUE(Reports(3502).empty());
    }
}

TEST_F(ProcessTableTest, ExitCodesAboveSixAreReportedComparedUnsigned)
{
    struct Case {
        const char* code;
        bool disinfection;
        bool reported;
        const char* detail;
        bool restart;
    };
    const Case cases[] = {
        {"0", false, false, "", false},
        {"5", true, false, "", false},
        {"6", false, false, "", false}, // a restart counts in disinfection runs only
        {"6", true, false, "", true},
        {"7", false, true, "7", false},
        {"0xC0000005", false, true, "-1073741819", false}, // negative as a signed number
        {"0xFFFFFFFF", true, true, "-1", false},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.code) + (c.disinfection ? " in disinfection" : ""));
        std::string tag = "P" + std::to_string(n++);
        g_config.processes.clear();
        g_config.disinfection = c.disinfection;
        Audit().restartNeeded = false;
        size_t before = Reports(3501).size();
        AddSleeper(tag, 0, c.code, true);
        RunChain();
        std::vector<Report> reports = Reports(3501);
        EXPECT_EQ(reports.size(), before + (c.reported ? 1 : 0));
        EXPECT_EQ(Audit().restartNeeded.load(), c.restart);
        if (c.reported && reports.size() == before + 1) {
            auto mine = std::find_if(reports.begin(), reports.end(), [&](const Report& r) {
                return r.at("ExtraText") == SleeperLine(0, c.code, tag);
            });
            ASSERT_NE(mine, reports.end()) << "no report with the program's command line";
            EXPECT_EQ(mine->at("Message"), "Unknown exit code executing process");
            EXPECT_EQ(mine->at("Detail"), c.detail);
            EXPECT_EQ(mine->at("InstanceId"), g_config.instanceId);
            EXPECT_EQ(mine->at("Flag"), "0");
        }
    }
    EXPECT_TRUE(Reports(3502).empty());
}

TEST_F(ProcessTableTest, AProgramPastItsTimeOutIsReportedAndEnded)
{
    AddSleeper("S", 5000, "0", true, L"1");
    AddSleeper("N", 0, "0", true);
    DWORD start = GetTickCount();
    RunChain();
    EXPECT_LT(GetTickCount() - start, 5000u) << "the chain waited for the sleeper instead of its time-out";

    std::vector<Report> reports = Reports(3502);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].at("Message"), "Timeout executing process");
    EXPECT_EQ(reports[0].at("Detail"), "0");
    EXPECT_EQ(reports[0].at("ExtraText"), SleeperLine(5000, "0", "S"));
    EXPECT_TRUE(Reports(3501).empty());

    // The sleeper never got to its end, its process is gone, and the chain went on.
    EXPECT_EQ(Events(), (std::vector<std::string>{"start S", "start N", "end N"}));
    DWORD pid = PidOf("S");
    ASSERT_NE(pid, 0u);
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (process) {
        EXPECT_EQ(WaitForSingleObject(process, 0), WAIT_OBJECT_0) << "the timed-out program still runs";
        CloseHandle(process);
    }
}

TEST(ProgramTimeout, TextsGiveMilliseconds)
{
    struct Case {
        const wchar_t* text;
        DWORD ms;
    };
    const DWORD kDefault = 10800u * 1000u;
    const DWORD kLongest = 4294967u * 1000u;
    const Case cases[] = {
        {L"INFINITE", INFINITE},
        {L" infinite ", INFINITE},
        {L"5", 5000},
        {L"10800", kDefault},
        {L"4294967", kLongest},         // the longest finite time-out
        {L"4294968", kLongest},         // would wrap past 32 bits: clamped
        {L"99999999999999999999", kLongest},
        {L"", kDefault},
        {L"abc", kDefault},
        {L"5s", kDefault},
        {L"-5", kDefault},
        {L"+5", kDefault},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ProgramTimeoutMs(c.text), c.ms) << "TimeOut [" << std::string(c.text, c.text + wcslen(c.text))
                                                  << "]";
}

TEST_F(ProcessTableTest, TheScannersOwnEntryRunsTheAnalysisInProcess)
{
    struct Case {
        bool disinfection;
        int result;
        unsigned protectionsCode;
        int inventoryThreads;
        size_t unknownCodeReports;
        bool restart;
    };
    const Case cases[] = {
        {false, 0, 0, 2, 0, false},
        {true, 0, 0, 0, 0, false},  // no inventory in disinfection runs
        {true, 6, 0, 0, 0, true},   // the analysis asks for a restart
        {false, 5501, 0, 2, 1, false},
        {false, 0, 3, 2, 1, false}, // the protections check failed
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("disinfection " + std::to_string(c.disinfection) + ", result " + std::to_string(c.result) +
                     ", protections check " + std::to_string(c.protectionsCode));
        ClearReports();
        DeleteFileA(journal_.c_str());
        g_config.processes.clear();
        g_config.disinfection = c.disinfection;
        Audit().restartNeeded = false;
        probe_.inventoryThreads = 0;
        probe_.context = nullptr;
        probe_.result = c.result;
        probe_.protectionsCode = c.protectionsCode;

        Add(L"kvscan.EXE", L"", true);
        AddSleeper("after", 0, "0", true);
        int context = 0;
        RunChain(&context);

        EXPECT_EQ(probe_.context.load(), &context);
        EXPECT_EQ(probe_.inventoryThreads.load(), c.inventoryThreads);
        EXPECT_EQ(Audit().restartNeeded.load(), c.restart);
        EXPECT_EQ(Events(), (std::vector<std::string>{"start after", "end after"}));
        std::vector<Report> reports = Reports(3501);
        ASSERT_EQ(reports.size(), c.unknownCodeReports);
        if (!reports.empty()) {
            if (c.protectionsCode) {
                EXPECT_EQ(reports[0].at("ExtraText"), "KVPChecker Error");
                EXPECT_EQ(reports[0].at("Detail"), std::to_string(c.protectionsCode));
            } else {
                EXPECT_EQ(reports[0].at("ExtraText"), "kvscan.EXE");
                EXPECT_EQ(reports[0].at("Detail"), std::to_string(c.result));
            }
        }
    }
}

TEST_F(ProcessTableTest, ATimedOutAnalysisIsAskedToStopNotKilled)
{
    g_scanProcess.stopGraceMs = 10000;
    probe_.result = -1; // runs until asked to stop
    Add(L"KVScan.exe", L"", true, L"1");
    AddSleeper("after", 0, "0", true);
    DWORD start = GetTickCount();
    RunChain();
    EXPECT_LT(GetTickCount() - start, 6000u) << "the entry waited the whole grace period";
    EXPECT_TRUE(probe_.sawStop.load());
    EXPECT_TRUE(probe_.finished.load());
    EXPECT_EQ(Adapter().stopRequested, 1);
    std::vector<Report> reports = Reports(3502);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].at("ExtraText"), "KVScan.exe");
    EXPECT_EQ(Events(), (std::vector<std::string>{"start after", "end after"}));
}

TEST_F(ProcessTableTest, AnAnalysisThatIgnoresTheStopIsLeftToEndByItself)
{
    g_scanProcess.stopGraceMs = 300;
    probe_.release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    Add(L"KVScan.exe", L"", true, L"1");
    RunChain();
    // The chain gave up waiting after the grace period, but the analysis thread was not terminated: it
    // still finishes once it is let go.
    EXPECT_FALSE(probe_.finished.load());
    EXPECT_EQ(Reports(3502).size(), 1u);
    SetEvent(probe_.release);
    for (int i = 0; i < 250 && !probe_.finished; ++i)
        Sleep(20);
    EXPECT_TRUE(probe_.finished.load());
}

} // namespace
