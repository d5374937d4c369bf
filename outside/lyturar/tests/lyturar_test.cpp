#include "RarFormat.h"
#include "RarWriter.h"
#include "lyturar.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <functional>
#include <iterator>

namespace {

struct Delivered {
    std::vector<std::pair<std::string, std::string>> files;
    int end = 0; // the result that ended the walk
};

Delivered Walk(const std::string& archive)
{
    Delivered out;
    URARHANDLE handle = URARInitialize(0, archive.data(), static_cast<unsigned long>(archive.size()));
    EXPECT_NE(handle, nullptr);
    int result;
    while ((result = URARDoAction(handle)) == URAR_OK) {
        unsigned long nameSize = 0, dataSize = 0;
        EXPECT_EQ(URARGetSizeBuffer(handle, URAR_ITEM_NAME, &nameSize), URAR_OK);
        EXPECT_EQ(URARGetSizeBuffer(handle, URAR_ITEM_DATA, &dataSize), URAR_OK);
        std::string name(nameSize, '?'), data(dataSize, '?');
        EXPECT_EQ(URARGetBuffer(handle, URAR_ITEM_NAME, name.data(), nameSize), URAR_OK);
        EXPECT_EQ(URARGetBuffer(handle, URAR_ITEM_DATA, data.data(), dataSize), URAR_OK);
        EXPECT_EQ(name.back(), '\0') << "the name size counts its terminator";
        name.pop_back();
        out.files.emplace_back(name, data);
    }
    out.end = result;
    EXPECT_EQ(URARGetLastError(handle), result);
    EXPECT_EQ(URARDoAction(handle), result) << "the walk stays where it ended";
    EXPECT_EQ(URARFinalize(handle), URAR_OK);
    return out;
}

const std::vector<RarInput> kFiles = {
    {"first.txt", "hello", 0x21},
    {"sub\\second.bin", std::string("\0\1\2\3\xff", 5), 0x21},
    {"empty.dat", "", 0x21},
};

TEST(LyturarTest, DeliversStoredFilesInArchiveOrder)
{
    Delivered got = Walk(RarStoreArchive(kFiles));
    ASSERT_EQ(got.files.size(), 3u);
    for (size_t i = 0; i < kFiles.size(); ++i) {
        EXPECT_EQ(got.files[i].first, kFiles[i].name);
        EXPECT_EQ(got.files[i].second, kFiles[i].data);
    }
    EXPECT_EQ(got.end, URAR_END);
}

// Changes one byte of the file block `block` (or of the main header for block -1) and may fix
// the header check afterwards.
std::string Altered(int block, size_t offset, std::function<void(std::string&, size_t)> change, bool fixCrc = true)
{
    std::string archive = RarStoreArchive(kFiles);
    size_t at = block < 0 ? sizeof rar::kMarker : RarFileBlocks(archive)[block];
    change(archive, at + offset);
    if (fixCrc)
        RarFixHeaderCrc(archive, at);
    return archive;
}

void OrFlag(std::string& a, size_t at, uint16_t flag)
{
    uint16_t flags = rar::Get16(reinterpret_cast<const uint8_t*>(a.data()) + at) | flag;
    a[at] = char(flags & 0xFF);
    a[at + 1] = char(flags >> 8);
}

TEST(LyturarTest, RefusesWhatItCannotUnpack)
{
    const size_t FLAGS = 3, METHOD = 25, NAME_SIZE = 26, DATA_CRC = 16;
    struct Case {
        const char* what;
        std::string archive;
        size_t filesBefore;
        int result;
    };
    std::string truncated = RarStoreArchive(kFiles);
    truncated.resize(RarFileBlocks(truncated)[1] + 40);
    std::string noEnd = RarStoreArchive(kFiles);
    noEnd.resize(noEnd.size() - 7);
    const Case cases[] = {
        {"not an archive", "PK\3\4 something else", 0, URAR_NOT_RAR},
        {"marker alone", std::string(reinterpret_cast<const char*>(rar::kMarker), 7), 0, URAR_BAD_HEADER},
        {"header check of the second file", Altered(1, 20, [](std::string& a, size_t at) { a[at] ^= 1; }, false), 1,
         URAR_HEADER_CRC},
        {"data of the first file changed", Altered(0, 0, [](std::string& a, size_t at) { a[at + 32 + 9] ^= 0x40; },
                                                   false), 0, URAR_DATA_CRC},
        {"data check of the second file", Altered(1, DATA_CRC, [](std::string& a, size_t at) { a[at] ^= 1; }), 1,
         URAR_DATA_CRC},
        {"compressed first file", Altered(0, METHOD, [](std::string& a, size_t at) { a[at] = 0x33; }), 0,
         URAR_COMPRESSED},
        {"solid archive", Altered(-1, FLAGS, [](std::string& a, size_t at) { OrFlag(a, at, rar::MAIN_SOLID); }), 0,
         URAR_SOLID},
        {"solid file", Altered(1, FLAGS, [](std::string& a, size_t at) { OrFlag(a, at, rar::FILE_SOLID); }), 1,
         URAR_SOLID},
        {"encrypted headers", Altered(-1, FLAGS, [](std::string& a, size_t at) {
             OrFlag(a, at, rar::MAIN_ENCRYPTED_HEADERS); }), 0, URAR_ENCRYPTED},
        {"encrypted file", Altered(0, FLAGS, [](std::string& a, size_t at) { OrFlag(a, at, rar::FILE_ENCRYPTED); }),
         0, URAR_ENCRYPTED},
        {"volume", Altered(-1, FLAGS, [](std::string& a, size_t at) { OrFlag(a, at, rar::MAIN_VOLUME); }), 0,
         URAR_MULTIVOLUME},
        {"file continued in the next volume",
         Altered(2, FLAGS, [](std::string& a, size_t at) { OrFlag(a, at, rar::FILE_SPLIT_AFTER); }), 2,
         URAR_MULTIVOLUME},
        {"name longer than its header", Altered(0, NAME_SIZE, [](std::string& a, size_t at) { a[at] = 60; }), 0,
         URAR_BAD_HEADER},
        {"data cut short", truncated, 1, URAR_BAD_HEADER},
        {"archive without its end block", noEnd, 3, URAR_END},
    };
    for (const Case& c : cases) {
        Delivered got = Walk(c.archive);
        EXPECT_EQ(got.files.size(), c.filesBefore) << c.what;
        EXPECT_EQ(got.end, c.result) << c.what;
    }
}

TEST(LyturarTest, PassesOverFolderEntries)
{
    std::string archive = Altered(1, 3, [](std::string& a, size_t at) { OrFlag(a, at, rar::FILE_DICTIONARY_MASK); });
    Delivered got = Walk(archive);
    ASSERT_EQ(got.files.size(), 2u);
    EXPECT_EQ(got.files[0].first, "first.txt");
    EXPECT_EQ(got.files[1].first, "empty.dat");
    EXPECT_EQ(got.end, URAR_END);
}

TEST(LyturarTest, ItemsNeedACurrentFileAndRoom)
{
    std::string archive = RarStoreArchive(kFiles);
    URARHANDLE handle = URARInitialize(0, archive.data(), static_cast<unsigned long>(archive.size()));
    unsigned long size = 0;
    char small[4];
    EXPECT_EQ(URARGetSizeBuffer(handle, URAR_ITEM_NAME, &size), URAR_NO_FILE);
    ASSERT_EQ(URARDoAction(handle), URAR_OK);
    EXPECT_EQ(URARGetBuffer(handle, URAR_ITEM_NAME, small, sizeof small), URAR_BAD_ARGUMENT) << "first.txt + NUL";
    EXPECT_EQ(URARGetSizeBuffer(handle, 3, &size), URAR_BAD_ARGUMENT);
    URARFinalize(handle);
    EXPECT_EQ(URARDoAction(nullptr), URAR_BAD_ARGUMENT);
}

// A private copy of the DLL with a journal and a fault file beside it.
TEST(LyturarTest, InjectedFailureAndJournalBesideTheDll)
{
    wchar_t shipped[MAX_PATH];
    ASSERT_GT(GetModuleFileNameW(GetModuleHandleW(L"lyturar.dll"), shipped, MAX_PATH), 0u);
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring folder = std::wstring(temp) + L"lyturar_test_" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder.c_str(), nullptr);
    std::wstring copy = folder + L"\\lyturar.dll";
    ASSERT_TRUE(CopyFileW(shipped, copy.c_str(), FALSE));
    std::ofstream((folder + L"\\lyturar.faults").c_str()) << "FailDoActionAfter=1\r\n";
    std::ofstream((folder + L"\\lyturar.journal").c_str()).close();

    HMODULE module = LoadLibraryW(copy.c_str());
    ASSERT_NE(module, nullptr);
    auto init = reinterpret_cast<URARInitialize_t>(reinterpret_cast<void*>(GetProcAddress(module, MAKEINTRESOURCEA(1))));
    auto finish = reinterpret_cast<URARFinalize_t>(reinterpret_cast<void*>(GetProcAddress(module, MAKEINTRESOURCEA(2))));
    auto action = reinterpret_cast<URARDoAction_t>(reinterpret_cast<void*>(GetProcAddress(module, MAKEINTRESOURCEA(3))));
    ASSERT_TRUE(init && finish && action) << "ordinals 1 to 3";
    std::string archive = RarStoreArchive(kFiles);
    URARHANDLE handle = init(0, archive.data(), static_cast<unsigned long>(archive.size()));
    EXPECT_EQ(action(handle), URAR_OK);
    EXPECT_EQ(action(handle), URAR_INJECTED);
    finish(handle);
    FreeLibrary(module);

    std::ifstream in((folder + L"\\lyturar.journal").c_str(), std::ios::binary);
    std::string journal((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();
    EXPECT_EQ(journal, "URARInitialize 0 " + std::to_string(archive.size()) +
                           "\r\nURARDoAction 0 first.txt 5\r\nURARDoAction 19\r\nURARFinalize\r\n");
    for (const wchar_t* name : {L"\\lyturar.dll", L"\\lyturar.faults", L"\\lyturar.journal"})
        DeleteFileW((folder + name).c_str());
    RemoveDirectoryW(folder.c_str());
}

} // namespace
