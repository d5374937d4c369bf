#include "FolderDelivery.h"
#include "FileHelpers.h"
#include "ProgressFile.h"
#include "SendFolder.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace {

const wchar_t kRun[] = L"{00000000-0000-0000-0000-0000000000AA}";

class FolderDeliveryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = TestFolder(L"folder_delivery");
        work = root + L"\\work";
        destination.base = root + L"\\dest";
        destination.instanceId = kRun;
        ASSERT_TRUE(CreateFolderLevels(work));
        ASSERT_EQ(0, CreateFolderDestination(destination, {L"Reports", L"Quarantine", L"Suspicious",
                                                           L"Statistics", L""}, false));
    }
    void TearDown() override { DeleteFolderTree(root); }

    static void WriteSized(const std::wstring& path, size_t size) { WriteBytes(path, std::string(size, 'r')); }
    static bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
    std::wstring Remote(const std::wstring& rest) const { return destination.base + L"\\" + kRun + L"\\" + rest; }

    int Send(SendKind kind, const std::wstring& bareName, unsigned long& failed)
    {
        SendRequest request{kind, work, bareName};
        return SendWorkFolder(request, CopyToFolderDestination, &destination, failed);
    }

    std::wstring root;
    std::wstring work;
    FolderDestination destination;
};

TEST_F(FolderDeliveryTest, SizeLimitForReportsAndStatistics)
{
    const struct {
        SendKind kind;
        const wchar_t* bare;
        bool limited;
    } cases[] = {
        {SEND_REPORTS, L"Reports", true},
        {SEND_STATS, L"Statistics", true},
        {SEND_SUSPICIOUS, L"Suspicious", false},
    };
    for (const auto& c : cases) {
        WriteSized(work + L"\\exact.bin", 2097152);
        WriteSized(work + L"\\over.bin", 2097153);
        unsigned long failed = 99;
        EXPECT_EQ(0, Send(c.kind, c.bare, failed)) << c.bare;
        EXPECT_EQ(0u, failed);
        EXPECT_TRUE(Exists(Remote(std::wstring(c.bare) + L"\\exact.bin"))) << c.bare;
        EXPECT_EQ(!c.limited, Exists(Remote(std::wstring(c.bare) + L"\\over.bin"))) << c.bare;
        EXPECT_FALSE(Exists(work + L"\\exact.bin")) << c.bare;
        EXPECT_FALSE(Exists(work + L"\\over.bin")) << c.bare; // sent or dropped, never left
    }
}

TEST_F(FolderDeliveryTest, AFileInUseIsNeitherSentNorCounted)
{
    WriteSized(work + L"\\busy.xml", 10);
    WriteSized(work + L"\\free.xml", 10);
    ASSERT_TRUE(CreateFolderLevels(work + L"\\sub")); // sub-folders are not sent
    HANDLE held = CreateFileW((work + L"\\busy.xml").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    unsigned long failed = 99;
    EXPECT_EQ(0, Send(SEND_REPORTS, L"Reports", failed));
    CloseHandle(held);
    EXPECT_EQ(0u, failed);
    EXPECT_TRUE(Exists(Remote(L"Reports\\free.xml")));
    EXPECT_FALSE(Exists(Remote(L"Reports\\busy.xml")));
    EXPECT_TRUE(Exists(work + L"\\busy.xml"));
    EXPECT_TRUE(Exists(work + L"\\sub"));
}

TEST_F(FolderDeliveryTest, AFailedCopyIsCountedAndTheFileKept)
{
    WriteSized(work + L"\\a.xml", 10);
    // A folder where the copy should land makes the copy fail.
    ASSERT_TRUE(CreateFolderLevels(Remote(L"Reports\\a.xml")));
    unsigned long failed = 0;
    EXPECT_NE(0, Send(SEND_REPORTS, L"Reports", failed));
    EXPECT_EQ(1u, failed);
    EXPECT_TRUE(Exists(work + L"\\a.xml"));
}

TEST_F(FolderDeliveryTest, NoFilteredFolderSendsNothing)
{
    WriteSized(work + L"\\program.exe", 10);
    unsigned long failed = 99;
    SendRequest request{SEND_FILTERED, L"", L""};
    EXPECT_EQ(0, SendWorkFolder(request, CopyToFolderDestination, &destination, failed));
    request.localFolder = work;
    EXPECT_EQ(0, SendWorkFolder(request, CopyToFolderDestination, &destination, failed));
    EXPECT_EQ(0u, failed);
    EXPECT_TRUE(Exists(work + L"\\program.exe"));
}

TEST_F(FolderDeliveryTest, ResendKeepsTheRunFolderAFreshRunEmptiesIt)
{
    WriteSized(Remote(L"Reports\\earlier.xml"), 10);
    ASSERT_EQ(0, CreateFolderDestination(destination, {L"Reports"}, true));
    EXPECT_TRUE(Exists(Remote(L"Reports\\earlier.xml")));
    ASSERT_EQ(0, CreateFolderDestination(destination, {L"Reports"}, false));
    EXPECT_FALSE(Exists(Remote(L"Reports\\earlier.xml")));
    EXPECT_TRUE(Exists(Remote(L"Reports")));
}

TEST_F(FolderDeliveryTest, RefusedDestinations)
{
    wchar_t windows[MAX_PATH];
    GetWindowsDirectoryW(windows, MAX_PATH);
    const std::wstring refused[] = {L"C:\\", L"", windows};
    for (const std::wstring& base : refused) {
        FolderDestination bad{base, kRun};
        EXPECT_EQ(1, CreateFolderDestination(bad, {L"Reports"}, false)) << base;
    }
}

} // namespace
