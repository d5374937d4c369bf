#include "DeliveryDestination.h"
#include "FileHelpers.h"
#include "ProgressFile.h"
#include "TessalyConfig.h"
#include "TestFiles.h"
#include "WorkFolders.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace {

// Journal of the transport: "<bare name>/<file name>" per delivered file. Files named "refused*" fail.
std::vector<std::wstring> g_delivered;

int JournalTransport(void* context, const std::wstring& localPath, const std::wstring& fileName,
                     const std::wstring& bareName)
{
    EXPECT_EQ(reinterpret_cast<void*>(&g_delivered), context);
    if (fileName.compare(0, 7, L"refused") == 0)
        return ERROR_ACCESS_DENIED;
    g_delivered.push_back(bareName + L"/" + fileName);
    DeleteFileW(localPath.c_str());
    return 0;
}

const wchar_t kFinal[] = L"{00000000-0000-0000-0000-000000000000}.xml";

struct KindCase {
    const char* what;
    DeliveryKind kind;
    bool holdFinalReport;
    std::vector<std::pair<std::wstring, size_t>> files; // name, size in the kind's work folder
    const wchar_t* inUse;                               // held open while sending, or nullptr
    bool result;
    std::vector<std::wstring> delivered;
    unsigned long sent;
    unsigned long left;
    std::vector<std::wstring> staying; // files of the work folder afterwards
};

class DeliveryDestinationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_delivered.clear();
        root = TestFolder(L"destination_delivery");
        const wchar_t* names[FOLDER_COUNT] = {L"Reports", L"Quarantine", L"Suspicious", L"Statistics", L"Filtered"};
        for (int i = 0; i < FOLDER_COUNT; ++i) {
            WorkFolder(config, i) = root + L"\\" + names[i];
            ASSERT_TRUE(CreateFolderLevels(WorkFolder(config, i)));
        }
        config.bareFilteredElementsFolder = L"Filtered";
        // The program folder: what an unconfigured folder must never stand for.
        config.programFolder = ToNarrowPath(root);
    }
    void TearDown() override { DeleteFolderTree(root); }

    static std::string ToNarrowPath(const std::wstring& path) { return std::string(path.begin(), path.end()); }

    std::vector<std::wstring> Staying(int folder) const
    {
        std::vector<std::wstring> names;
        WIN32_FIND_DATAW found;
        HANDLE find = FindFirstFileW((WorkFolder(config, folder) + L"\\*").c_str(), &found);
        if (find == INVALID_HANDLE_VALUE)
            return names;
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                names.push_back(found.cFileName);
        } while (FindNextFileW(find, &found));
        FindClose(find);
        return names;
    }

    std::wstring root;
    TessalyConfig config;
};

int FolderOf(DeliveryKind kind)
{
    const int folders[KIND_COUNT] = {FOLDER_SUSPICIOUS, FOLDER_REPORT, FOLDER_STATISTIC, FOLDER_FILTERED};
    return folders[kind];
}

TEST_F(DeliveryDestinationTest, EachKindLeavesItsFolderIntoItsSubFolder)
{
    const size_t big = 2097153;
    const KindCase cases[] = {
        {"the final report held back", KIND_REPORTS, true, {{L"a.xml", 10}, {kFinal, 10}}, nullptr, true,
         {L"Reports/a.xml"}, 1, 0, {kFinal}},
        {"the final report released", KIND_REPORTS, false, {{kFinal, 10}}, nullptr, true, {L"Reports/" + std::wstring(kFinal)},
         1, 0, {}},
        {"a refused suspicious file stays", KIND_SUSPICIOUS, true, {{L"s.qel", 10}, {L"refused.qel", 10}}, nullptr,
         false, {L"Suspicious/s.qel"}, 1, 1, {L"refused.qel"}},
        {"oversized statistics are dropped", KIND_STATISTICS, false, {{L"big.xml", big}, {L"s.xml", 2097152}},
         nullptr, true, {L"Statistics/s.xml"}, 1, 0, {}},
        {"suspicious files have no size limit", KIND_SUSPICIOUS, false, {{L"big.qel", big}}, nullptr, true,
         {L"Suspicious/big.qel"}, 1, 0, {}},
        {"a file in use is neither sent nor counted", KIND_FILTERED, false, {{L"f.dat", 10}, {L"busy.dat", 10}},
         L"busy.dat", true, {L"Filtered/f.dat"}, 1, 0, {L"busy.dat"}},
    };
    for (const KindCase& c : cases) {
        SCOPED_TRACE(c.what);
        g_delivered.clear();
        const std::wstring folder = WorkFolder(config, FolderOf(c.kind));
        for (const auto& file : c.files)
            WriteBytes(folder + L"\\" + file.first, std::string(file.second, 'x'));
        HANDLE held = INVALID_HANDLE_VALUE;
        if (c.inUse)
            held = CreateFileW((folder + L"\\" + c.inUse).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                               OPEN_EXISTING, 0, nullptr);

        DestinationDelivery delivery(config, DELIVERY_FOLDER, JournalTransport, &g_delivered);
        DeliveryOptions options;
        options.holdFinalReport = c.holdFinalReport;
        DeliveryCounters counters;
        EXPECT_EQ(c.result, delivery.Deliver(c.kind, options, counters));
        if (held != INVALID_HANDLE_VALUE)
            CloseHandle(held);
        EXPECT_EQ(c.delivered, g_delivered);
        EXPECT_EQ(c.sent, counters.sent);
        EXPECT_EQ(c.left, counters.left);
        EXPECT_EQ(c.staying, Staying(FolderOf(c.kind)));
        for (const std::wstring& name : c.staying)
            DeleteFileW((folder + L"\\" + name).c_str());
    }
}

TEST_F(DeliveryDestinationTest, NoFilteredFolderConfiguredSendsNothingFromTheProgramFolder)
{
    // FilteredElementsFolder is empty by default: its work folder and its bare name are empty.
    WorkFolder(config, FOLDER_FILTERED).clear();
    config.bareFilteredElementsFolder.clear();
    WriteBytes(root + L"\\KVScan.exe", "program");
    DestinationDelivery delivery(config, DELIVERY_FTP, JournalTransport, &g_delivered);
    DeliveryCounters counters;
    EXPECT_TRUE(delivery.Deliver(KIND_FILTERED, DeliveryOptions(), counters));
    EXPECT_TRUE(g_delivered.empty());
    EXPECT_EQ(0u, counters.left);
    EXPECT_EQ("program", ReadBytes(root + L"\\KVScan.exe"));
}

TEST_F(DeliveryDestinationTest, WithoutADestinationEverythingStaysAndIsLeft)
{
    WriteBytes(WorkFolder(config, FOLDER_REPORT) + L"\\a.xml", "a");
    WriteBytes(WorkFolder(config, FOLDER_REPORT) + L"\\" + kFinal, "final");
    DestinationDelivery delivery(config, DELIVERY_FTP, JournalTransport, nullptr);
    DeliveryOptions options;
    options.holdFinalReport = true;
    DeliveryCounters counters;
    EXPECT_FALSE(delivery.Deliver(KIND_REPORTS, options, counters));
    EXPECT_TRUE(g_delivered.empty());
    EXPECT_EQ(0u, counters.sent);
    EXPECT_EQ(1u, counters.left);
    EXPECT_EQ(2u, Staying(FOLDER_REPORT).size());
}

} // namespace
