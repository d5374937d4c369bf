#include "ExitStatus.h"
#include "FileHelpers.h"
#include "ProgressFile.h"
#include "RunProgress.h"
#include "TessalyConfig.h"
#include "TestFiles.h"
#include "TestLog.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace {

const char kInstance[] = "{00000000-0000-0000-0000-0000000000D1}";
const wchar_t kInstanceW[] = L"{00000000-0000-0000-0000-0000000000D1}";
const wchar_t kEarlier[] = L"{00000000-0000-0000-0000-0000000000D0}";
const wchar_t kOtherAudits[] = L"{00000000-0000-0000-0000-0000000000E0}";

class RunProgressTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = TestFolder(L"run_progress");
        base = root + L"\\dest";
        config.reportsFolder = base;
        config.auditGuid = L"{0badc0de-1111-2222-3333-444455556666}";
        config.computerName = L"AUDITED-PC";
        config.instanceId = kInstance;
        config.disinfection = true;
    }
    void TearDown() override
    {
        StopRunProgressThread(5000);
        DeleteFolderTree(root);
    }

    std::wstring RecordPath(const std::wstring& instance) const { return base + L"\\" + instance + L".dat"; }

    bool ReadRecord(ProgressRecord& record) const
    {
        const std::string bytes = ReadBytes(RecordPath(kInstanceW));
        if (bytes.size() != sizeof(record))
            return false;
        memcpy(&record, bytes.data(), sizeof(record));
        return true;
    }

    // Waits (bounded) until the run's progress file shows percentage.
    bool FileShows(int percentage) const
    {
        for (int i = 0; i < 500; ++i) {
            ProgressRecord record;
            if (ReadRecord(record) && record.percentage == percentage)
                return true;
            Sleep(10);
        }
        return false;
    }

    std::wstring root;
    std::wstring base;
    TessalyConfig config;
};

TEST_F(RunProgressTest, TheStartingRecordRemovesOnlyTheSameAuditsEarlierRun)
{
    // An earlier run of this audit on this machine, and a run of another audit, in the same base.
    TessalyConfig other = config;
    other.auditGuid = L"{feedface-9999-8888-7777-666655554444}";
    TessalyConfig earlier = config;
    const std::pair<TessalyConfig*, const wchar_t*> runs[] = {{&earlier, kEarlier}, {&other, kOtherAudits}};
    for (const auto& run : runs) {
        run.first->instanceId = std::string(run.second, run.second + wcslen(run.second));
        ASSERT_TRUE(WriteRunProgress(*run.first, 1, 50));
        ASSERT_TRUE(CreateFolderLevels(base + L"\\" + run.second + L"\\Reports"));
    }

    ASSERT_TRUE(WriteRunProgress(config, PROGRESS_STARTING, 0));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(RecordPath(kEarlier).c_str()));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((base + L"\\" + kEarlier).c_str()));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(RecordPath(kOtherAudits).c_str()));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((base + L"\\" + kOtherAudits + L"\\Reports").c_str()));

    ProgressRecord record;
    ASSERT_TRUE(ReadRecord(record));
    EXPECT_EQ(kProgressRecordSize, record.size);
    EXPECT_EQ(PROGRESS_STARTING, record.status);
    EXPECT_EQ(std::wstring(kInstanceW), FixedText(record.instanceId));
    EXPECT_EQ(L"AUDITED-PC", FixedText(record.progressId));
    EXPECT_EQ(2, record.clientKind);
    EXPECT_EQ(base, FixedText(record.destination));
}

// The final record is the last word: neither a thread that was stopped nor one that still runs may
// write after it.
TEST_F(RunProgressTest, NoProgressWriteFollowsTheFinalRecord)
{
    const struct {
        const char* what;
        bool stopFirst;
    } cases[] = {{"the exit routine's order: stop, then the final record", true},
                 {"a final record while the thread still runs", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        volatile LONG percentage = 0;
        ASSERT_TRUE(WriteRunProgress(config, PROGRESS_RUNNING, 0));
        StartRunProgressThread(config, &percentage, 5);
        percentage = 30;
        ASSERT_TRUE(FileShows(30));
        if (c.stopFirst) {
            ASSERT_TRUE(StopRunProgressThread(5000));
        }
        ASSERT_TRUE(WriteFinalRunProgress(config, ProgressStatusFor(0), 30));
        for (LONG next = 31; next < 60; ++next) {
            percentage = next;
            Sleep(1);
        }
        ASSERT_TRUE(StopRunProgressThread(5000));
        ProgressRecord record;
        ASSERT_TRUE(ReadRecord(record));
        EXPECT_EQ(PROGRESS_FINISHED, record.status);
        EXPECT_EQ(30, record.percentage);
    }
}

TEST_F(RunProgressTest, TheFinalRecordIsFilledFromTheConfigurationOnEveryPath)
{
    // No starting record and no thread (an early exit, a resend run): the final record is complete.
    config.progressId = std::wstring(50, L'p'); // "ProgressID.dat" holds 50 characters, no terminator
    ASSERT_TRUE(WriteFinalRunProgress(config, ProgressStatusFor(3013), 0));
    ProgressRecord record;
    ASSERT_TRUE(ReadRecord(record));
    EXPECT_EQ(kProgressRecordSize, record.size);
    EXPECT_EQ(PROGRESS_SIGNATURES_MISSING, record.status);
    EXPECT_EQ(std::wstring(49, L'p'), FixedText(record.progressId));
    EXPECT_EQ(L"{0badc0de-1111-2222-3333-444455556666}", FixedText(record.auditGuid));
    EXPECT_EQ(L"Reports", FixedText(record.reportsName));
    SYSTEMTIME now;
    GetSystemTime(&now);
    EXPECT_EQ(now.wYear, record.changed.wYear);
}

TEST_F(RunProgressTest, WithoutAnInstanceIdentifierNothingIsWritten)
{
    config.instanceId.clear();
    TestLog log;
    EXPECT_TRUE(WriteFinalRunProgress(config, ProgressStatusFor(3001), 0));
    EXPECT_FALSE(WriteRunProgress(config, PROGRESS_STARTING, 0));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(base.c_str()));
    const auto messages = log.Messages("RunProgress.cpp");
    EXPECT_NE(messages.end(), std::find(messages.begin(), messages.end(),
                                        "No instance identifier yet: the final progress record is not written"));
}

} // namespace
