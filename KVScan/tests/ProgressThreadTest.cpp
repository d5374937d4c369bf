#include "ProgressFile.h"
#include "ProgressThread.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

// Journal of the writes the thread made; the writer fails the next failWrites writes.
std::vector<int> g_written;
volatile LONG g_failWrites = 0;
HANDLE g_wrote = nullptr;

int JournalWriter(const ProgressRecord& record)
{
    if (g_failWrites > 0) {
        InterlockedDecrement(&g_failWrites);
        return 1;
    }
    g_written.push_back(record.percentage);
    SetEvent(g_wrote);
    return 0;
}

class ProgressThreadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_written.clear();
        g_failWrites = 0;
        g_wrote = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        memset(&state.record, 0, sizeof(state.record));
        state.record.size = kProgressRecordSize;
        state.percentage = &percentage;
        state.write = JournalWriter;
        state.intervalMs = 10;
        state.stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    }
    void TearDown() override
    {
        CloseHandle(state.stopEvent);
        CloseHandle(g_wrote);
    }
    HANDLE Start() { return CreateThread(nullptr, 0, ProgressThread, &state, 0, nullptr); }
    void Stop(HANDLE thread)
    {
        StopProgressThread(state, thread, 5000);
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 0));
        CloseHandle(thread);
    }

    volatile LONG percentage = 0;
    ProgressThreadState state;
};

TEST_F(ProgressThreadTest, WritesOnlyWhenThePercentageChanges)
{
    HANDLE thread = Start();
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(g_wrote, 5000)); // 0 is new at first
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(g_wrote, 60)); // several rounds with no change, no write
    InterlockedExchange(&percentage, 40);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(g_wrote, 5000));
    Stop(thread);
    EXPECT_EQ((std::vector<int>{0, 40}), g_written);
}

TEST_F(ProgressThreadTest, AFailedWriteIsTriedAgain)
{
    g_failWrites = 1;
    percentage = 25;
    HANDLE thread = Start();
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(g_wrote, 5000));
    Stop(thread);
    EXPECT_EQ(0, g_failWrites); // the first write failed, the same percentage went at the next round
    EXPECT_EQ((std::vector<int>{25}), g_written);
}

TEST_F(ProgressThreadTest, NoWriteAfterStop)
{
    HANDLE thread = Start();
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(g_wrote, 5000));
    // Hold the lock as the exit routine does while the thread may be about to write.
    LockProgressWrites();
    InterlockedExchange(&percentage, 90);
    Sleep(40);
    state.stopped = 1;
    UnlockProgressWrites();
    Stop(thread);
    EXPECT_EQ((std::vector<int>{0}), g_written);
}

TEST_F(ProgressThreadTest, NoDestinationEndsAtOnce)
{
    state.record.size = 0;
    HANDLE thread = Start();
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 5000));
    CloseHandle(thread);
    EXPECT_TRUE(g_written.empty());
}

} // namespace
