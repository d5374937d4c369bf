// The DLL's exports as callers bind them: by plain name, stdcall, never failing with an exception.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>

#include "KVComs.h"
#include "TestLog.h"

namespace {

struct Library {
    HMODULE module = LoadLibraryA("KVComs.dll");
    ~Library()
    {
        if (module)
            FreeLibrary(module);
    }
    template <typename Record> int Call(const char* name, Record* record)
    {
        typedef int(KVCOMS_API * Entry)(Record*);
        Entry entry = reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(module, name)));
        EXPECT_NE(entry, nullptr) << name;
        return entry ? entry(record) : -1;
    }
};

TEST(Exports, NullRecordsDoNoWork)
{
    Library coms;
    ASSERT_NE(coms.module, nullptr);
    TestLog log;
    EXPECT_EQ(coms.Call<KVCOMS_SENDFILES>("KVCOMS_SendReports", nullptr), 0);
    EXPECT_EQ(coms.Call<KVCOMS_SENDFILES>("KVCOMS_SendStatistics", nullptr), 0);
    EXPECT_EQ(coms.Call<KVCOMS_SUSPICIOUS>("KVCOMS_SendSuspicious", nullptr), 0);
    EXPECT_EQ(coms.Call<KVCOMS_SUSPICIOUS>("KVCOMS_SendOneSuspicious", nullptr), 0);
    EXPECT_EQ(coms.Call<KVCOMS_SUSPICIOUS_QEM>("KVCOMS_SendSuspiciousQEM", nullptr), 0);
    EXPECT_EQ(coms.Call<KVCOMS_SUSPICIOUS_QEM>("KVCOMS_SendOneSuspiciousQEM", nullptr), 0);
    EXPECT_EQ(coms.Call<KVCOMS_CONNECTIONTEST>("KVCOMS_TestConnection", nullptr), 0);
    EXPECT_EQ(coms.Call<KVCOMS_SIGUPDATE>("KVCOMS_CheckQelsig", nullptr), 0);
    EXPECT_EQ(coms.Call<KVCOMS_FILTEREDCHECK>("KVCOMS_CheckFiltered", nullptr), 0);
    std::vector<std::string> lines;
    for (const LogRecord& r : log.Records())
        if (r.module == "KVCOMS" && r.message[0] != '+' && r.message[0] != '-')
            lines.push_back(r.message);
    EXPECT_EQ(lines, (std::vector<std::string>{"Struct to send is empty --SendReports()--",
                                                "Struct to send is empty --SendStatistics()--",
                                                "Struct to send is empty", "Struct to send is empty"}));
}

void KVCOMS_API IgnoreAnswer(const KVCOMS_FILTEREDANSWER*) {}

TEST(Exports, OperationsOfLaterVersionsAnswerFailureAndLeaveTheRecord)
{
    Library coms;
    ASSERT_NE(coms.module, nullptr);
    KVCOMS_SUSPICIOUS suspicious;
    memset(&suspicious, 0x5a, sizeof(suspicious));
    KVCOMS_SUSPICIOUS before = suspicious;
    EXPECT_EQ(coms.Call("KVCOMS_SendSuspicious", &suspicious), 0);
    EXPECT_EQ(memcmp(&before, &suspicious, sizeof(suspicious)), 0);
    KVCOMS_SUSPICIOUS_QEM qem{};
    EXPECT_EQ(coms.Call("KVCOMS_SendOneSuspiciousQEM", &qem), 0);
    KVCOMS_SIGUPDATE update{};
    EXPECT_EQ(coms.Call("KVCOMS_CheckQelsig", &update), 0);
    // The cloud check needs its engine first; the stand-in engine refuses.
    uint8_t digest[16] = {0};
    KVCOMS_FILTEREDCHECK check{};
    check.digests = digest;
    check.digestsSize = sizeof(digest);
    EXPECT_EQ(coms.Call("KVCOMS_CheckFiltered", &check), 0); // no callback
    check.answer = IgnoreAnswer;
    TestLog log;
    EXPECT_EQ(coms.Call("KVCOMS_CheckFiltered", &check), 0);
    bool logged = false;
    for (const LogRecord& r : log.Records())
        logged = logged || r.message == "Error creating the cloud engine";
    EXPECT_TRUE(logged);
}

} // namespace
