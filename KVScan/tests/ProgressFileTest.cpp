#include "FileHelpers.h"
#include "ProgressFile.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

const wchar_t kOwn[] = L"{00000000-0000-0000-0000-00000000000A}";
const wchar_t kOld[] = L"{00000000-0000-0000-0000-00000000000B}";
const wchar_t kOther[] = L"{00000000-0000-0000-0000-00000000000C}";

class ProgressFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = TestFolder(L"progress");
        base = root + L"\\base";
    }
    void TearDown() override { DeleteFolderTree(root); }

    ProgressRecord Record(const std::wstring& instance, const std::wstring& audit = L"audit-1",
                          const std::wstring& progressId = L"PC-01")
    {
        ProgressRecord record;
        memset(&record, 0, sizeof(record));
        record.size = kProgressRecordSize;
        SetFixedText(record.auditGuid, audit);
        SetFixedText(record.progressId, progressId);
        SetFixedText(record.instanceId, instance);
        SetFixedText(record.destination, base);
        return record;
    }

    // A run's leftovers: its progress file and its run folder with one report.
    void PlantRun(const ProgressRecord& record)
    {
        ASSERT_EQ(0, WriteProgressFolder(record));
        std::wstring folder = base + L"\\" + FixedText(record.instanceId) + L"\\Reports";
        ASSERT_TRUE(CreateFolderLevels(folder));
        WriteBytes(folder + L"\\r.xml", "report");
    }

    static bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

    std::wstring root;
    std::wstring base;
};

TEST_F(ProgressFileTest, WritesTheRecordIntoANewDestination)
{
    base = root + L"\\a\\b\\c";
    ProgressRecord record = Record(kOwn);
    record.percentage = 42;
    ASSERT_EQ(0, WriteProgressFolder(record));
    std::string bytes = ReadBytes(base + L"\\" + kOwn + L".dat");
    ASSERT_EQ(1352u, bytes.size());
    EXPECT_EQ(0, memcmp(bytes.data(), &record, sizeof(record)));
}

TEST_F(ProgressFileTest, RefusesARecordWithoutInstanceOrDestination)
{
    ProgressRecord record = Record(L"");
    EXPECT_EQ(1, WriteProgressFolder(record));
    record = Record(kOwn);
    SetFixedText(record.destination, L"");
    EXPECT_EQ(1, WriteProgressFolder(record));
}

TEST_F(ProgressFileTest, RemovesOnlyTheSameAuditsEarlierRun)
{
    PlantRun(Record(kOld));
    PlantRun(Record(kOther, L"audit-2"));          // another audit
    PlantRun(Record(L"{00000000-0000-0000-0000-00000000000D}", L"audit-1", L"PC-02")); // another machine
    PlantRun(Record(kOwn));                        // this run's own record stays

    EXPECT_EQ(0, RemoveStaleProgress(Record(kOwn)));

    EXPECT_FALSE(Exists(base + L"\\" + kOld + L".dat"));
    EXPECT_FALSE(Exists(base + L"\\" + kOld));
    EXPECT_TRUE(Exists(base + L"\\" + kOther + L".dat"));
    EXPECT_TRUE(Exists(base + L"\\" + kOther + L"\\Reports\\r.xml"));
    EXPECT_TRUE(Exists(base + L"\\{00000000-0000-0000-0000-00000000000D}\\Reports\\r.xml"));
    EXPECT_TRUE(Exists(base + L"\\" + kOwn + L".dat"));
    EXPECT_TRUE(Exists(base + L"\\" + kOwn + L"\\Reports\\r.xml"));
}

TEST_F(ProgressFileTest, CraftedFilesCannotDeleteAnythingElse)
{
    // A folder beside the base that a crafted instance identifier would reach.
    std::wstring victim = root + L"\\victim";
    ASSERT_TRUE(CreateFolderLevels(victim));
    WriteBytes(victim + L"\\keep.txt", "keep");
    ASSERT_TRUE(CreateFolderLevels(base));

    ProgressRecord crafted = Record(L"..\\victim");
    WriteBytes(base + L"\\crafted.dat", std::string(reinterpret_cast<char*>(&crafted), sizeof(crafted)));

    ProgressRecord badSize = Record(kOld);
    badSize.size = 1000;
    WriteBytes(base + L"\\badsize.dat", std::string(reinterpret_cast<char*>(&badSize), sizeof(badSize)));

    ProgressRecord longer = Record(kOther);
    WriteBytes(base + L"\\longer.dat",
               std::string(reinterpret_cast<char*>(&longer), sizeof(longer)) + std::string(8, '\0'));
    WriteBytes(base + L"\\short.dat", "tiny");

    ProgressRecord unterminated = Record(kOld);
    for (wchar_t& c : unterminated.auditGuid)
        c = L'x';
    WriteBytes(base + L"\\unterminated.dat",
               std::string(reinterpret_cast<char*>(&unterminated), sizeof(unterminated)));

    ASSERT_TRUE(CreateFolderLevels(base + L"\\" + kOld));
    ASSERT_TRUE(CreateFolderLevels(base + L"\\" + kOther));

    EXPECT_EQ(0, RemoveStaleProgress(Record(kOwn)));

    EXPECT_TRUE(Exists(victim + L"\\keep.txt"));
    EXPECT_TRUE(Exists(base + L"\\crafted.dat"));
    EXPECT_TRUE(Exists(base + L"\\badsize.dat"));
    EXPECT_TRUE(Exists(base + L"\\longer.dat"));
    EXPECT_TRUE(Exists(base + L"\\short.dat"));
    EXPECT_TRUE(Exists(base + L"\\unterminated.dat"));
    EXPECT_TRUE(Exists(base + L"\\" + kOld));
    EXPECT_TRUE(Exists(base + L"\\" + kOther));
}

TEST_F(ProgressFileTest, ListingOutcome)
{
    ASSERT_TRUE(CreateFolderLevels(base));
    EXPECT_EQ(0, RemoveStaleProgress(Record(kOwn))); // an empty destination: nothing to remove
    base = root + L"\\missing";
    EXPECT_EQ(1, RemoveStaleProgress(Record(kOwn)));
}

} // namespace
