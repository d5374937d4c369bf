#include "PacketFixtures.h"
#include "RarWriter.h"
#include "TestFiles.h"
#include "ZipReader.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

struct ZipCase {
    const char* what;
    std::string archive;
    int result;
    std::vector<std::pair<std::wstring, std::string>> files; // expected below the folder
    std::vector<std::wstring> absent;                         // below the test folder
};

ZipEntry Stored(const std::string& name, const std::string& data)
{
    ZipEntry entry{name, data};
    entry.method = 0;
    return entry;
}

ZipEntry Deflated(const std::string& name, const std::string& data)
{
    return ZipEntry{name, data};
}

ZipEntry WithDescriptor(ZipEntry entry, bool signature)
{
    entry.descriptor = true;
    entry.descriptorSignature = signature;
    return entry;
}

TEST(ZipReaderTest, ArchivesFromATable)
{
    const std::string text(5000, 'q');
    ZipEntry bzip2 = Stored("bzip.bin", "whatever");
    bzip2.method = 12;
    ZipEntry badCrc = Deflated("bad.txt", "some text");
    badCrc.badCrc = true;
    std::string truncated = MakeZip({Deflated("t.txt", std::string(20000, 'x') + text + "tail")}, false);
    truncated.resize(truncated.size() - 8);
    const ZipCase cases[] = {
        {"stored and deflated entries", MakeZip({Stored("s.txt", "stored"), Deflated("d.txt", text)}), ZIP_OK,
         {{L"s.txt", "stored"}, {L"d.txt", text}}, {}},
        {"empty entries", MakeZip({Stored("e0", ""), Deflated("e8", "")}), ZIP_OK, {{L"e0", ""}, {L"e8", ""}}, {}},
        {"folder entries and files below them",
         MakeZip({Stored("dir/", ""), Stored("dir/sub/", ""), Deflated("dir/sub/f.txt", "deep"),
                  Deflated("other/g.txt", "made with its folder")}),
         ZIP_OK, {{L"dir\\sub\\f.txt", "deep"}, {L"other\\g.txt", "made with its folder"}}, {}},
        {"bit 3 with the descriptor's signature",
         MakeZip({WithDescriptor(Deflated("a.txt", text), true), Stored("b.txt", "next")}), ZIP_OK,
         {{L"a.txt", text}, {L"b.txt", "next"}}, {}},
        {"bit 3 without the descriptor's signature",
         MakeZip({WithDescriptor(Deflated("a.txt", text), false), Deflated("b.txt", "next")}), ZIP_OK,
         {{L"a.txt", text}, {L"b.txt", "next"}}, {}},
        {"a method other than stored or deflated", MakeZip({bzip2, Stored("after.txt", "kept")}), ZIP_BAD_METHOD,
         {{L"after.txt", "kept"}}, {L"work\\bzip.bin"}},
        {"a CRC-32 that does not match", MakeZip({badCrc, Stored("after.txt", "kept")}), ZIP_BAD_CRC,
         {{L"after.txt", "kept"}}, {}},
        {"deflated data cut short", truncated, ZIP_TRUNCATED, {}, {}},
        {"no central directory after the entries", MakeZip({Stored("s.txt", "stored")}, false), ZIP_NOT_ARCHIVE,
         {{L"s.txt", "stored"}}, {}},
        {"a RAR archive is no ZIP archive", RarStoreArchive({{"qel.sig", "signatures", 0x21}}), ZIP_NOT_ARCHIVE, {},
         {L"work\\qel.sig"}},
        {"names that leave the folder",
         MakeZip({Stored("../up.txt", "x"), Deflated("C:/up2.txt", "x"), Stored("/root.txt", "x"),
                  Stored("a/../../up3.txt", "x"), Stored("after.txt", "kept")}),
         ZIP_UNSAFE_NAME, {{L"after.txt", "kept"}}, {L"up.txt", L"up2.txt", L"up3.txt"}},
    };
    for (const ZipCase& c : cases) {
        std::wstring test = TestFolder(L"zip");
        std::wstring folder = test + L"\\work";
        CreateDirectoryW(folder.c_str(), nullptr);
        WriteBytes(test + L"\\archive.zip", c.archive);
        RunFiles written;
        EXPECT_EQ(ZipExtract(test + L"\\archive.zip", folder, ZipOptions(), written), c.result) << c.what;
        for (const auto& file : c.files)
            EXPECT_EQ(ReadBytes(folder + L"\\" + file.first), file.second) << c.what;
        for (const std::wstring& absent : c.absent)
            EXPECT_EQ(GetFileAttributesW((test + L"\\" + absent).c_str()), INVALID_FILE_ATTRIBUTES) << c.what;
        RemoveTree(test);
    }
}

TEST(ZipReaderTest, NamesAreConvertedFromTheArchiveCodePage)
{
    ZipOptions options;
    EXPECT_EQ(ZipEntryName("dir/caf\x82.txt", options), L"dir\\caf\u00e9.txt");
    EXPECT_EQ(ZipEntryName("\xA4o\xC9\xCD.txt", options), L"\u00f1o__.txt") << "box drawing has no 1252 form";
    options.nameCodePage = 1252;
    EXPECT_EQ(ZipEntryName("caf\xE9", options), L"caf\u00e9");
}

TEST(ZipReaderTest, FlattenWritesEveryEntryIntoTheFolder)
{
    std::wstring test = TestFolder(L"zipflat");
    WriteBytes(test + L"\\a.zip", MakeZip({Stored("dir/", ""), Deflated("dir/sub/f.txt", "deep")}));
    ZipOptions options;
    options.folders = ZipFolders::Flatten;
    RunFiles written;
    EXPECT_EQ(ZipExtract(test + L"\\a.zip", test, options, written), ZIP_OK);
    EXPECT_EQ(ReadBytes(test + L"\\f.txt"), "deep");
    EXPECT_EQ(GetFileAttributesW((test + L"\\dir").c_str()), INVALID_FILE_ATTRIBUTES);
    RemoveTree(test);
}

TEST(ZipReaderTest, MissingArchiveCannotBeOpened)
{
    RunFiles written;
    EXPECT_EQ(ZipExtract(L"C:\\no\\such\\archive.zip", L"C:\\no", ZipOptions(), written), ZIP_CANNOT_OPEN);
}

} // namespace
