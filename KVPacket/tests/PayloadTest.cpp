#include "PackageBuilder.h"
#include "PacketFixtures.h"
#include "Payload.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

TEST(PayloadTest, StartIsTheEndOfTheSectionWithTheLargestPointer)
{
    const struct {
        const char* what;
        std::vector<std::pair<uint32_t, uint32_t>> sections;
        int64_t start;
    } cases[] = {
        {"sections in file order", {{0x200, 0x200}, {0x100, 0x400}}, 0x500},
        {"last section first in the table", {{0x300, 0x600}, {0x200, 0x200}}, 0x900},
        {"a single section", {{0x80, 0x400}}, 0x480},
    };
    std::wstring folder = TestFolder(L"payload_start");
    for (const auto& c : cases) {
        WriteBytes(folder + L"\\image.exe", MinimalImage(c.sections) + "trailing payload");
        EXPECT_EQ(FindPayloadStart(folder + L"\\image.exe"), c.start) << c.what;
    }
    std::string notPe = MinimalImage({{0x200, 0x200}});
    notPe[64] = 'X';
    WriteBytes(folder + L"\\bad.exe", notPe);
    EXPECT_EQ(FindPayloadStart(folder + L"\\bad.exe"), -1);
    WriteBytes(folder + L"\\bad.exe", "ZM" + notPe.substr(2));
    EXPECT_EQ(FindPayloadStart(folder + L"\\bad.exe"), -1);
    RemoveTree(folder);
}

std::string Entry(const std::string& name, const std::string& data)
{
    std::string out;
    EXPECT_TRUE(AppendPayloadEntry(out, name, data));
    return out;
}

struct ExtractCase {
    const char* what;
    std::string payload;
    bool result;
    int entries, failed;
    std::vector<std::pair<std::wstring, std::string>> files; // expected below the folder
    std::vector<std::wstring> absent;                         // must not exist (below the test folder)
};

TEST(PayloadTest, ExtractsEntriesAndStopsWhereThePayloadEnds)
{
    // 259 characters in two components (a host file name may not pass 255 bytes); the folder exists.
    const std::wstring longFolder(200, L'd');
    const std::wstring name259 = longFolder + L"\\" + std::wstring(58, L'n');
    const std::wstring name260 = name259 + L"X"; // no terminator in the field
    std::string certificate(700, '\x30');
    const ExtractCase cases[] = {
        {"builder-made entries, the last of 0 bytes",
         Entry("a.txt", "alpha") + Entry("b.bin", std::string(70000, '\x5A')) + Entry("empty.dat", ""), true, 3, 0,
         {{L"a.txt", "alpha"}, {L"b.bin", std::string(70000, '\x5A')}, {L"empty.dat", ""}}, {}},
        {"data cut short", Entry("a.txt", "alpha") + EntryHeader(PAYLOAD_MARKER, 100, L"cut.txt") + "0123456789",
         false, 2, 1, {{L"a.txt", "alpha"}, {L"cut.txt", "0123456789"}}, {}},
        {"a header cut short", Entry("a.txt", "alpha") + std::string(100, '\0'), true, 1, 0, {{L"a.txt", "alpha"}},
         {}},
        {"trailing bytes with another marker (a certificate)", Entry("a.txt", "alpha") + certificate, true, 1, 0,
         {{L"a.txt", "alpha"}}, {}},
        {"marker wrong in the second header", Entry("a.txt", "alpha") + EntryHeader(0xB01D1615, 1, L"b.txt") + "b",
         true, 1, 0, {{L"a.txt", "alpha"}}, {L"work\\b.txt"}},
        {"a name without terminator is cut at 259 characters", EntryHeader(PAYLOAD_MARKER, 2, name260) + "ok", true,
         1, 0, {{name259, "ok"}}, {}},
        {"names that leave the folder are refused",
         Entry("..\\up.txt", "x") + Entry("C:up.txt", "x") + Entry("\\root.txt", "x") + Entry("sub\\..\\..\\up2.txt", "x") +
             Entry("a:b", "x") + Entry("after.txt", "kept"),
         false, 6, 5, {{L"after.txt", "kept"}}, {L"up.txt", L"up2.txt", L"work\\a"}},
        {"sub-folders are not created", Entry("missing\\x.txt", "x") + Entry("after.txt", "kept"), false, 2, 1,
         {{L"after.txt", "kept"}}, {L"work\\missing"}},
    };
    for (const ExtractCase& c : cases) {
        std::wstring test = TestFolder(L"extract");
        std::wstring exe = test + L"\\package.exe", folder = test + L"\\work";
        WriteBytes(exe, MinimalImage({{0x200, 0x200}}) + c.payload);
        CreateDirectoryW(folder.c_str(), nullptr);
        CreateDirectoryW((folder + L"\\" + longFolder).c_str(), nullptr);
        RunFiles written;
        ExtractReport report;
        EXPECT_EQ(ExtractPayload(exe, folder, written, &report), c.result) << c.what;
        EXPECT_EQ(report.entries, c.entries) << c.what;
        EXPECT_EQ(report.failed, c.failed) << c.what;
        for (const auto& file : c.files) {
            std::wstring path = L"\\\\?\\" + folder + L"\\" + file.first; // a 259-character name is long
            EXPECT_NE(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES) << c.what;
            EXPECT_EQ(ReadBytes(path), file.second) << c.what;
        }
        for (const std::wstring& absent : c.absent)
            EXPECT_EQ(GetFileAttributesW((test + L"\\" + absent).c_str()), INVALID_FILE_ATTRIBUTES) << c.what;
        EXPECT_EQ(written.Files().size(), c.files.size()) << c.what;
        EXPECT_EQ(GetFileAttributesW((L"\\\\?\\" + folder + L"\\" + name260).c_str()), INVALID_FILE_ATTRIBUTES);
        wchar_t current[MAX_PATH];
        GetCurrentDirectoryW(MAX_PATH, current);
        EXPECT_EQ(std::wstring(current), folder) << c.what;
        SetCurrentDirectoryW(test.c_str());
        SetCurrentDirectoryW(L"C:\\");
        RemoveTree(test);
    }
}

TEST(PayloadTest, WorkFolderIsCreatedWithItsParents)
{
    std::wstring test = TestFolder(L"parents");
    std::wstring exe = test + L"\\package.exe", folder = test + L"\\a\\b\\c";
    WriteBytes(exe, MinimalImage({{0x200, 0x200}}) + Entry("x.txt", "x"));
    RunFiles written;
    EXPECT_TRUE(ExtractPayload(exe, folder, written));
    EXPECT_EQ(ReadBytes(folder + L"\\x.txt"), "x");
    EXPECT_EQ(written.Folders().size(), 3u) << "a, a\\b and a\\b\\c were made by this run";
    SetCurrentDirectoryW(L"C:\\");
    written.RemoveAll();
    EXPECT_EQ(GetFileAttributesW((test + L"\\a").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(GetFileAttributesW(exe.c_str()), INVALID_FILE_ATTRIBUTES);
    RemoveTree(test);
}

} // namespace
