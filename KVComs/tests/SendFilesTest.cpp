// Sending a folder of reports or statistics files through the scripted WinINet table.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>

#include "Compression.h"
#include "FakeInet.h"
#include "SendFiles.h"
#include "TestFiles.h"
#include "TestLog.h"
#include "Text.h"

namespace {

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

struct SendFixture : ::testing::Test {
    std::wstring folder = TestFolder(L"kvcoms_send");
    KVCOMS_SENDFILES record{};
    FakeInet inet;

    void SetUp() override
    {
        strcpy(record.folder, WideToAnsi(folder.c_str()).c_str());
        strcpy(record.url, "http://audit.example/upload");
    }
    void TearDown() override
    {
        SetZipApi(nullptr);
        RemoveTree(folder);
    }
    std::wstring P(const wchar_t* name) { return folder + L"\\" + name; }
    // Refuses the uploads whose filename contains text.
    void Refuse(const std::string& text)
    {
        inet.answer = [text](const FakeRequest& r) {
            FakeAnswer a;
            if (r.bodies.back().find(text) != std::string::npos)
                a.status = 500;
            else
                a.body = std::to_string(FilePartContent(r.bodies.back()).size());
            return a;
        };
    }
};

TEST_F(SendFixture, ReportFolders)
{
    struct Row {
        const char* what;
        std::vector<std::pair<const wchar_t*, size_t>> files;
        const char* excluded;
        const char* refused;
        uint32_t deleteAfterSend;
        int result;
        uint32_t sent, failed, lastError;
        std::vector<const wchar_t*> left;
        const char* logLine;
    } rows[] = {
        {"empty", {}, "", "", 1, 1, 0, 0, 0, {}, "There is no files to send"},
        {"only the excluded report", {{L"FINAL.XML", 5}}, "final.xml", "", 1, 1, 0, 1, 0, {L"FINAL.XML"},
         "All files excluded"},
        {"limit size is sent", {{L"big.xml", 2097152}}, "", "", 1, 1, 1, 0, 0, {}, "Report correctly sent"},
        {"one byte more is deleted unsent", {{L"big.xml", 2097153}}, "", "", 0, 1, 0, 0, 0, {},
         "There is no files to send"},
        {"one of two refused, delete", {{L"bad.xml", 10}, {L"good.xml", 20}}, "", "bad.xml", 1, 0, 1, 1, 18,
         {L"bad.xml"}, "Error sending the report"},
        {"one of two refused, keep", {{L"bad.xml", 10}, {L"good.xml", 20}}, "", "bad.xml", 0, 0, 1, 1, 18,
         {L"bad.xml", L"good.xml"}, "Error sending the report"},
        {"sent and excluded", {{L"a.xml", 3}, {L"final.xml", 3}}, "final.xml", "", 1, 1, 1, 1, 0, {L"final.xml"},
         "1 reports excluded"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        RemoveTree(folder);
        CreateDirectoryW(folder.c_str(), nullptr);
        for (const auto& f : row.files)
            WriteBytes(P(f.first), std::string(f.second, 'r'));
        strcpy(record.excludedName, row.excluded);
        record.deleteAfterSend = row.deleteAfterSend;
        record.sentCount = record.failedCount = record.lastError = 99; // a reused record
        Refuse(row.refused[0] ? row.refused : "\x01");
        inet.requests.clear();
        TestLog log;
        EXPECT_EQ(SendReports(&record), row.result);
        EXPECT_EQ(record.sentCount, row.sent);
        EXPECT_EQ(record.failedCount, row.failed);
        EXPECT_EQ(record.lastError, row.lastError);
        for (const auto& f : row.files) {
            bool shouldStay = false;
            for (const wchar_t* l : row.left)
                shouldStay = shouldStay || wcscmp(l, f.first) == 0;
            EXPECT_EQ(Exists(P(f.first)), shouldStay) << WideToAnsi(f.first);
        }
        auto messages = log.Messages("SendFiles.cpp");
        EXPECT_NE(std::find(messages.begin(), messages.end(), row.logLine), messages.end()) << row.logLine;
    }
}

TEST_F(SendFixture, MissingFolderAndNullRecord)
{
    strcat(record.folder, "\\absent");
    record.sentCount = 5;
    EXPECT_EQ(SendReports(&record), 0);
    EXPECT_EQ(record.lastError, 19u);
    EXPECT_EQ(record.sentCount, 0u);
    EXPECT_EQ(record.failedCount, 0u);
    EXPECT_EQ(SendStatistics(&record), 0);
    EXPECT_EQ(record.lastError, 19u);
    record.folder[0] = '\0';
    EXPECT_EQ(SendReports(&record), 0);
    EXPECT_EQ(record.lastError, 19u);
    EXPECT_EQ(SendReports(nullptr), 0);
    EXPECT_EQ(SendStatistics(nullptr), 0);
    EXPECT_TRUE(inet.requests.empty());
}

TEST_F(SendFixture, FileHeldOpenIsSkippedAndStays)
{
    WriteBytes(P(L"busy.xml"), "busy");
    WriteBytes(P(L"ready.xml"), "ready");
    HANDLE busy = CreateFileW(P(L"busy.xml").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(busy, INVALID_HANDLE_VALUE);
    record.deleteAfterSend = 1;
    EXPECT_EQ(SendReports(&record), 1);
    CloseHandle(busy);
    EXPECT_EQ(record.sentCount, 1u);
    EXPECT_EQ(record.failedCount, 0u);
    EXPECT_TRUE(Exists(P(L"busy.xml")));
    EXPECT_FALSE(Exists(P(L"ready.xml")));
}

std::string ZipEntryName(const std::string& zip)
{
    // Local file header: signature PK\3\4, name length at 26, name at 30.
    if (zip.size() < 30 || zip.compare(0, 4, "PK\x03\x04") != 0)
        return std::string();
    size_t n = static_cast<unsigned char>(zip[26]) | (static_cast<unsigned char>(zip[27]) << 8);
    return zip.substr(30, n);
}

TEST_F(SendFixture, StatisticsTravelZippedAndTheArchiveIsRemoved)
{
    WriteBytes(P(L"stats.xml"), "<Statistics/>");
    struct Row {
        const char* what;
        DWORD status;
        uint32_t deleteAfterSend;
        int result;
        bool statsStay;
    } rows[] = {
        {"accepted, delete", 200, 1, 1, false},
        {"refused", 500, 1, 0, true},
        {"accepted, keep", 200, 0, 1, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        WriteBytes(P(L"stats.xml"), "<Statistics/>");
        inet.requests.clear();
        inet.answer = [&row](const FakeRequest&) {
            FakeAnswer a;
            a.status = row.status;
            return a;
        };
        record.deleteAfterSend = row.deleteAfterSend;
        EXPECT_EQ(SendStatistics(&record), row.result);
        ASSERT_EQ(inet.requests.size(), 1u);
        const std::string& body = inet.requests[0].bodies.at(0);
        std::string archivePath = WideToAnsi(P(L"stats.zip").c_str());
        EXPECT_NE(body.find("name=\"flFicheroSubida\"; filename=\"" + archivePath + "\""), std::string::npos);
        EXPECT_EQ(ZipEntryName(FilePartContent(body)), "stats.xml");
        EXPECT_FALSE(Exists(P(L"stats.zip")));
        EXPECT_EQ(Exists(P(L"stats.xml")), row.statsStay);
        EXPECT_EQ(record.sentCount + record.failedCount, 1u);
    }
}

int __cdecl FailingDoAction(ZipArchive*, const char*, const void*, int) { return CZIP_ENTRY_FAILED; }

TEST_F(SendFixture, FailedCompressionKeepsTheStatisticsFileAndPostsNothing)
{
    HMODULE lytczip = LoadLibraryA("lytczip.dll");
    ASSERT_NE(lytczip, nullptr);
    ZipApi failing = {
        reinterpret_cast<CZIPInitialize_t>(reinterpret_cast<void*>(GetProcAddress(lytczip, MAKEINTRESOURCEA(1)))),
        reinterpret_cast<CZIPFinalize_t>(reinterpret_cast<void*>(GetProcAddress(lytczip, MAKEINTRESOURCEA(2)))),
        FailingDoAction, nullptr, nullptr};
    SetZipApi(&failing);
    WriteBytes(P(L"stats.xml"), "<Statistics/>");
    record.deleteAfterSend = 1;
    EXPECT_EQ(SendStatistics(&record), 0);
    EXPECT_EQ(record.failedCount, 1u);
    EXPECT_TRUE(inet.requests.empty());
    EXPECT_TRUE(Exists(P(L"stats.xml")));
    EXPECT_FALSE(Exists(P(L"stats.zip")));
}

TEST(ArchiveName, CutOnlyInsideTheLastComponent)
{
    struct Row {
        const char* path;
        const char* archive;
    } rows[] = {
        {"C:\\stats\\data.xml", "C:\\stats\\data.zip"},
        {"C:\\stats\\data.old\\stats", "C:\\stats\\data.old\\stats.zip"},
        {"C:\\stats\\a.b.xml", "C:\\stats\\a.b.zip"},
        {"C:\\stats\\up.zip", "C:\\stats\\up.zip.zip"},
        {"C:\\stats\\UP.ZIP", "C:\\stats\\UP.ZIP.zip"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(ArchivePathFor(row.path), row.archive) << row.path;
}

TEST_F(SendFixture, EmptyFileGivesAnArchiveWithOneEmptyEntry)
{
    WriteBytes(P(L"empty.dat"), "");
    std::string path = WideToAnsi(P(L"empty.dat").c_str());
    ASSERT_EQ(CompressToZip(path, "empty.dat"), 0);
    std::string zip = ReadBytes(P(L"empty.zip"));
    EXPECT_EQ(ZipEntryName(zip), "empty.dat");
    EXPECT_EQ(CompressToZip(WideToAnsi(P(L"absent.dat").c_str()), "absent.dat"), COMPRESS_OPEN_FAILED);
}

} // namespace
