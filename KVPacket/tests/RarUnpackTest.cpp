#include "PacketFixtures.h"
#include "RarFormat.h"
#include "RarUnpack.h"
#include "RarWriter.h"
#include "TestFiles.h"
#include "Unpack.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>

namespace {

class RarUnpackTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test_ = TestFolder(L"rar");
        ASSERT_TRUE(LoadLyturar(DistFolder() + L"\\lyturar.dll", lyturar_));
    }
    void TearDown() override
    {
        ReleaseLyturar(lyturar_);
        RemoveTree(test_);
    }
    int Extract(const std::string& archive, RunFiles& written)
    {
        WriteBytes(test_ + L"\\a.rar", archive);
        return RarExtract(lyturar_, test_ + L"\\a.rar", test_, written);
    }

    std::wstring test_;
    LyturarLibrary lyturar_;
};

TEST_F(RarUnpackTest, WritesEveryFileWithItsFolders)
{
    RunFiles written;
    EXPECT_EQ(Extract(RarStoreArchive({{"top.txt", "top"}, {"sub\\deeper\\f.bin", std::string(3000, '\1')}, {"z", ""}}),
                      written),
              0);
    EXPECT_EQ(ReadBytes(test_ + L"\\top.txt"), "top");
    EXPECT_EQ(ReadBytes(test_ + L"\\sub\\deeper\\f.bin"), std::string(3000, '\1'));
    EXPECT_NE(GetFileAttributesW((test_ + L"\\z").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(written.Files().size(), 3u);
    EXPECT_EQ(written.Folders().size(), 2u);
}

TEST_F(RarUnpackTest, FailuresFromATable)
{
    std::string badData = RarStoreArchive({{"a.txt", "alpha"}, {"b.txt", "beta"}});
    badData[RarFileBlocks(badData)[1] + 32 + 5] ^= 1; // first byte of b.txt's data
    std::string compressed = RarStoreArchive({{"a.txt", "alpha"}});
    compressed[RarFileBlocks(compressed)[0] + 25] = 0x33;
    RarFixHeaderCrc(compressed, RarFileBlocks(compressed)[0]);
    const struct {
        const char* what;
        std::string archive;
        int result;
        const wchar_t* written; // a file that must exist afterwards, or null
    } cases[] = {
        {"data CRC mismatch in the second file", badData, URAR_DATA_CRC, L"a.txt"},
        {"a compressed file", compressed, URAR_COMPRESSED, nullptr},
        {"an archive without files", RarStoreArchive({}), RAR_NOTHING_IN_IT, nullptr},
        {"a name that leaves the folder", RarStoreArchive({{"..\\up.txt", "x"}, {"ok.txt", "ok"}}), RAR_UNSAFE_NAME,
         L"ok.txt"},
        {"a drive in the name", RarStoreArchive({{"C:\\up.txt", "x"}}), RAR_UNSAFE_NAME, nullptr},
        {"not an archive", "plain text", URAR_NOT_RAR, nullptr},
    };
    for (const auto& c : cases) {
        RunFiles written;
        EXPECT_EQ(Extract(c.archive, written), c.result) << c.what;
        if (c.written) {
            EXPECT_NE(GetFileAttributesW((test_ + L"\\" + c.written).c_str()), INVALID_FILE_ATTRIBUTES) << c.what;
        }
        EXPECT_EQ(GetFileAttributesW((test_ + L"\\..\\up.txt").c_str()), INVALID_FILE_ATTRIBUTES) << c.what;
        written.RemoveAll();
    }
}

// A handle that lets others read the file but not write it.
HANDLE HoldForReading(const std::wstring& path)
{
    return CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
}

TEST_F(RarUnpackTest, ATargetThatCannotBeWrittenFailsUnlessItHoldsTheSameData)
{
    std::string archive = RarStoreArchive({{"locked.txt", "content"}});
    std::wstring target = test_ + L"\\locked.txt";
    RunFiles written;
    WriteBytes(target, "content");
    HANDLE held = HoldForReading(target);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Extract(archive, written), 0) << "identical content already there";
    CloseHandle(held);
    WriteBytes(target, "other");
    held = HoldForReading(target);
    EXPECT_EQ(Extract(archive, written), RAR_CANNOT_WRITE);
    CloseHandle(held);
    EXPECT_EQ(ReadBytes(target), "other");
    CreateDirectoryW((test_ + L"\\folder.txt").c_str(), nullptr);
    EXPECT_EQ(Extract(RarStoreArchive({{"folder.txt", "x"}}), written), RAR_CANNOT_WRITE) << "a folder in the way";
}

TEST_F(RarUnpackTest, LibraryWithoutAllSixExportsIsRefused)
{
    LyturarLibrary other;
    EXPECT_FALSE(LoadLyturar(DistFolder() + L"\\KVLog.dll", other));
    EXPECT_EQ(other.module, nullptr);
    EXPECT_FALSE(LoadLyturar(test_ + L"\\missing.dll", other));
}

std::vector<std::wstring> FolderContent(const std::wstring& folder)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (wcscmp(found.cFileName, L".") && wcscmp(found.cFileName, L".."))
            names.push_back(found.cFileName);
    } while (FindNextFileW(find, &found));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

TEST_F(RarUnpackTest, UnpackArchivesTakesZipFirstThenRarAndDeletesThem)
{
    CopyFileW((DistFolder() + L"\\lyturar.dll").c_str(), (test_ + L"\\lyturar.dll").c_str(), FALSE);
    WriteBytes(test_ + L"\\qel.zip", RarStoreArchive({{"qel.sig", "signatures"}}));
    WriteBytes(test_ + L"\\real.zip", MakeZip({ZipEntry{"z.txt", "from zip"}}));
    WriteBytes(test_ + L"\\core.rar", RarStoreArchive({{"KVScan.exe", "MZ"}}));
    RunFiles written;
    EXPECT_TRUE(UnpackArchives(test_, written, nullptr));
    EXPECT_EQ(FolderContent(test_), (std::vector<std::wstring>{L"KVScan.exe", L"lyturar.dll", L"qel.sig", L"z.txt"}));
    EXPECT_EQ(ReadBytes(test_ + L"\\qel.sig"), "signatures");
}

TEST_F(RarUnpackTest, UnpackArchivesFailures)
{
    RunFiles written;
    WriteBytes(test_ + L"\\plain.txt", "no archives here");
    EXPECT_TRUE(UnpackArchives(test_, written, nullptr)) << "nothing to do, lyturar.dll not needed";

    WriteBytes(test_ + L"\\core.rar", RarStoreArchive({{"KVScan.exe", "MZ"}}));
    EXPECT_FALSE(UnpackArchives(test_, written, nullptr)) << "no lyturar.dll";
    EXPECT_EQ(FolderContent(test_), (std::vector<std::wstring>{L"core.rar", L"plain.txt"}));

    CopyFileW((DistFolder() + L"\\lyturar.dll").c_str(), (test_ + L"\\lyturar.dll").c_str(), FALSE);
    WriteBytes(test_ + L"\\bad.rar", "neither zip nor rar");
    static std::vector<std::wstring> alerts;
    alerts.clear();
    EXPECT_FALSE(UnpackArchives(test_, written, [](const std::wstring& text) { alerts.push_back(text); }));
    EXPECT_EQ(FolderContent(test_),
              (std::vector<std::wstring>{L"KVScan.exe", L"bad.rar", L"lyturar.dll", L"plain.txt"}))
        << "the good archive is unpacked and deleted, the bad one stays";
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0], L"An error occurred uncompressing the file: " + test_ + L"\\bad.rar");
}

} // namespace
