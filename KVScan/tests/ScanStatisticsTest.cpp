// The statistics decision of a run and the merge of the mail scanner's statistics files, with the
// statistics library replaced by fakes in the call table.
#include "Globals.h"
#include "ScanThread.h"
#include "ScanThreadHooks.h"
#include "TextHelpers.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

namespace {

int g_readResult = 0;
int g_frequency = 0;
int g_draw = 0;
std::vector<std::string> g_readFolders;
std::vector<std::string> g_merged;

int FakeRead(const char* folder)
{
    g_readFolders.push_back(folder);
    return g_readResult;
}
int FakeFrequency() { return g_frequency; }
int FakeDraw() { return g_draw; }
int FakeAdd(const char* path)
{
    g_merged.push_back(path);
    return 0;
}

class StatisticsCalls : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved_ = ScanCalls();
        ScanCalls().readQelSigInfo = FakeRead;
        ScanCalls().getSendFrequency = FakeFrequency;
        ScanCalls().drawRandom = FakeDraw;
        ScanCalls().addResultsFromFile = FakeAdd;
        g_readFolders.clear();
        g_merged.clear();
    }
    void TearDown() override { ScanCalls() = saved_; }
    ScanThreadCalls saved_;
};

TEST_F(StatisticsCalls, DecisionFollowsTheParametersAndTheDraw)
{
    struct Case {
        bool enabled;
        int read, frequency, draw;
        bool generate;
        const char* line;
    } cases[] = {
        {false, 0, 10000, 0, false, "Statistics will not be generated."},
        {true, 10, 10000, 0, false, "Statistic info not found. Statistics will not be generated."},
        {true, 0, 0, 0, false, "Statistic info found. SendFrequency = 0. Statistics will not be generated"},
        {true, 0, 10000, 9999, true,
         "Statistic info found. SendFrequency = 10000. Random number generated: 9999 --> Statistics will be generated."},
        {true, 0, 500, 499, true,
         "Statistic info found. SendFrequency = 500. Random number generated: 499 --> Statistics will be generated."},
        {true, 0, 500, 500, false,
         "Statistic info found. SendFrequency = 500. Random number generated: 500 --> Statistics will not be generated."},
        {true, 0, 1, 0, true,
         "Statistic info found. SendFrequency = 1. Random number generated: 0 --> Statistics will be generated."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        g_readResult = c.read;
        g_frequency = c.frequency;
        g_draw = c.draw;
        std::string line;
        EXPECT_EQ(DecideStatistics(c.enabled, "C:\\kv", line), c.generate);
        EXPECT_EQ(line, c.line);
    }
    // The library was asked about the program folder only when statistics were on.
    EXPECT_EQ(g_readFolders.size(), 6u);
    EXPECT_EQ(g_readFolders.front(), "C:\\kv");
}

TEST_F(StatisticsCalls, WithoutTheLibraryNoStatistics)
{
    ScanCalls().readQelSigInfo = nullptr;
    std::string line;
    EXPECT_FALSE(DecideStatistics(true, "C:\\kv", line));
    EXPECT_EQ(line, "Statistic info not found. Statistics will not be generated.");
}

TEST_F(StatisticsCalls, TempFilesAreMergedAndDeletedButAFileInUseWaits)
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string folder = std::string(temp) + "kvstat_" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(folder.c_str(), nullptr);
    std::wstring savedFolder = g_config.statisticFolder;
    g_config.statisticFolder = ToWide(folder);

    for (const char* name : {"stat1.tmp", "stat2.tmp", "other.tmp", "stat3.txt"})
        std::ofstream(folder + "\\" + name) << "data";
    CreateDirectoryA((folder + "\\statdir.tmp").c_str(), nullptr);
    // The mail scanner still writes stat2.tmp.
    HANDLE writing = CreateFileA((folder + "\\stat2.tmp").c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(writing, INVALID_HANDLE_VALUE);

    CollectStatisticsTempFiles();
    EXPECT_EQ(g_merged, std::vector<std::string>{folder + "\\stat1.tmp"});
    EXPECT_EQ(GetFileAttributesA((folder + "\\stat1.tmp").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(GetFileAttributesA((folder + "\\stat2.tmp").c_str()), INVALID_FILE_ATTRIBUTES);

    CloseHandle(writing);
    CollectStatisticsTempFiles();
    EXPECT_EQ(g_merged.size(), 2u);
    EXPECT_EQ(g_merged.back(), folder + "\\stat2.tmp");
    for (const char* name : {"other.tmp", "stat3.txt"}) {
        EXPECT_NE(GetFileAttributesA((folder + "\\" + name).c_str()), INVALID_FILE_ATTRIBUTES) << name;
        DeleteFileA((folder + "\\" + name).c_str());
    }
    RemoveDirectoryA((folder + "\\statdir.tmp").c_str());
    RemoveDirectoryA(folder.c_str());
    g_config.statisticFolder = savedFolder;
}

} // namespace
