#include "ZipArchive.h"
#include "lytczip.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

uint16_t U16(const std::vector<uint8_t>& b, size_t at)
{
    return static_cast<uint16_t>(b[at] | b[at + 1] << 8);
}

uint32_t U32(const std::vector<uint8_t>& b, size_t at)
{
    return U16(b, at) | static_cast<uint32_t>(U16(b, at + 2)) << 16;
}

std::vector<uint8_t> Finished(ZipArchive* archive)
{
    int size = -1;
    EXPECT_EQ(CZIPGetSizeBuffer(archive, &size), 0);
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    EXPECT_EQ(CZIPGetBuffer(archive, bytes.data(), size), 0);
    return bytes;
}

struct Archive {
    ZipArchive* p = CZIPInitialize(0);
    ~Archive() { CZIPFinalize(p); }
};

TEST(Lytczip, EmptyArchiveIsEndRecordOnly)
{
    Archive a;
    ASSERT_NE(a.p, nullptr);
    std::vector<uint8_t> bytes = Finished(a.p);
    ASSERT_EQ(bytes.size(), 22u);
    EXPECT_EQ(U32(bytes, 0), 0x06054B50u);
    EXPECT_EQ(U16(bytes, 8), 0);   // entries on this disk
    EXPECT_EQ(U16(bytes, 10), 0);  // total entries
    EXPECT_EQ(U32(bytes, 12), 0u); // directory size
    EXPECT_EQ(U32(bytes, 16), 0u); // directory offset
}

TEST(Lytczip, BadArgumentsAreRefusedWithCodes)
{
    Archive a;
    char byte = 'x';
    int size = 0;
    struct Case {
        const char* what;
        int result;
        int expected;
    } cases[] = {
        {"DoAction, NULL archive", CZIPDoAction(nullptr, "a", &byte, 1), 9},
        {"DoAction, NULL name", CZIPDoAction(a.p, nullptr, &byte, 1), 3},
        {"DoAction, NULL data", CZIPDoAction(a.p, "a", nullptr, 1), 3},
        {"DoAction, negative size", CZIPDoAction(a.p, "a", &byte, -1), 3},
        {"GetSizeBuffer, NULL archive", CZIPGetSizeBuffer(nullptr, &size), 9},
        {"GetSizeBuffer, NULL size", CZIPGetSizeBuffer(a.p, nullptr), 9},
        {"GetBuffer, NULL archive", CZIPGetBuffer(nullptr, &byte, 1), 9},
        {"GetBuffer, NULL destination", CZIPGetBuffer(a.p, nullptr, 100), 9},
        {"GetBuffer, negative length", CZIPGetBuffer(a.p, &byte, -1), 9},
        {"GetLastError, NULL archive", CZIPGetLastError(nullptr), 9},
        {"Finalize, NULL archive", CZIPFinalize(nullptr), 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.result, c.expected) << c.what;
    EXPECT_EQ(CZIPInitialize(-1), nullptr);
    // None of the refused calls added anything.
    EXPECT_EQ(Finished(a.p).size(), 22u);
}

TEST(Lytczip, EntryHeadersCarrySizesAndCrc)
{
    Archive a;
    std::string data(5000, 'k');
    ASSERT_EQ(CZIPDoAction(a.p, "dir/file.txt", data.data(), static_cast<int>(data.size())), 0);
    ASSERT_EQ(CZIPDoAction(a.p, "empty", "", 0), 0);
    EXPECT_EQ(CZIPGetLastError(a.p), 0);
    std::vector<uint8_t> b = Finished(a.p);

    uint32_t crc = crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size()));
    EXPECT_EQ(U32(b, 0), 0x04034B50u);
    EXPECT_EQ(U16(b, 4), 10);   // version needed
    EXPECT_EQ(U16(b, 6), 0);    // flags
    EXPECT_EQ(U16(b, 8), 8);    // deflate
    EXPECT_EQ(U32(b, 14), crc);
    uint32_t compressed = U32(b, 18);
    EXPECT_EQ(U32(b, 22), 5000u);
    EXPECT_EQ(U16(b, 26), 12);
    EXPECT_EQ(std::string(b.begin() + 30, b.begin() + 42), "dir/file.txt");

    size_t second = 30 + 12 + compressed;
    EXPECT_EQ(U32(b, second), 0x04034B50u);
    EXPECT_EQ(U32(b, second + 14), 0u);  // CRC of nothing
    EXPECT_EQ(U32(b, second + 22), 0u);

    size_t end = b.size() - 22;
    EXPECT_EQ(U32(b, end), 0x06054B50u);
    EXPECT_EQ(U16(b, end + 10), 2);
    size_t directory = U32(b, end + 16);
    EXPECT_EQ(U32(b, directory), 0x02014B50u);
    EXPECT_EQ(U32(b, directory + 16), crc);
    EXPECT_EQ(U32(b, directory + 42), 0u);  // local header offset of the first entry
    EXPECT_EQ(U32(b, directory + 46 + 12 + 42), second);
}

TEST(Lytczip, DestinationOneByteShortIsLeftUntouched)
{
    Archive a;
    ASSERT_EQ(CZIPDoAction(a.p, "a.txt", "hello", 5), 0);
    int size = 0;
    ASSERT_EQ(CZIPGetSizeBuffer(a.p, &size), 0);
    std::vector<uint8_t> destination(static_cast<size_t>(size), 0xAA);
    EXPECT_EQ(CZIPGetBuffer(a.p, destination.data(), size - 1), 2);
    EXPECT_EQ(destination, std::vector<uint8_t>(static_cast<size_t>(size), 0xAA));
    // Asking again with enough room gives the archive; asking twice gives the same bytes.
    EXPECT_EQ(CZIPGetBuffer(a.p, destination.data(), size), 0);
    EXPECT_EQ(Finished(a.p), destination);
}

TEST(Lytczip, OverlongNameIsRefusedAndEarlierEntriesKept)
{
    Archive a;
    ASSERT_EQ(CZIPDoAction(a.p, "kept", "x", 1), 0);
    std::vector<uint8_t> before = Finished(a.p);
    std::string longName(65536, 'n');
    EXPECT_EQ(CZIPDoAction(a.p, longName.c_str(), "x", 1), 8);
    EXPECT_EQ(CZIPGetLastError(a.p), 1);
    std::string longestName(65535, 'n');
    EXPECT_EQ(CZIPDoAction(a.p, longestName.c_str(), "x", 1), 0);
    std::vector<uint8_t> after = Finished(a.p);
    EXPECT_EQ(U16(after, after.size() - 22 + 10), 2);
    EXPECT_TRUE(std::equal(before.begin(), before.begin() + 31 + 4, after.begin()));
}

TEST(Lytczip, The65536thEntryIsRefused)
{
    Archive a;
    for (int i = 0; i < 65535; ++i)
        ASSERT_EQ(CZIPDoAction(a.p, "e", "", 0), 0) << i;
    EXPECT_EQ(CZIPDoAction(a.p, "e", "", 0), 8);
    EXPECT_EQ(CZIPGetLastError(a.p), 1);
    std::vector<uint8_t> b = Finished(a.p);
    EXPECT_EQ(U16(b, b.size() - 22 + 8), 65535);
}

TEST(Lytczip, DosStampTable)
{
    struct Case {
        int year, month, day, hour, minute, second;
        int dosYear;
    } cases[] = {
        {1980, 1, 1, 0, 0, 0, 0},
        {2026, 12, 10, 23, 59, 59, 46},
        {2107, 12, 31, 12, 30, 31, 127},
    };
    for (const Case& c : cases) {
        lytczip::DosStamp s = lytczip::MakeDosStamp(c.year, c.month, c.day, c.hour, c.minute, c.second);
        EXPECT_EQ(s.date >> 9, c.dosYear) << c.year;
        EXPECT_EQ((s.date >> 5) & 15, c.month) << c.year;
        EXPECT_EQ(s.date & 31, c.day) << c.year;
        EXPECT_EQ(s.time >> 11, c.hour) << c.year;
        EXPECT_EQ((s.time >> 5) & 63, c.minute) << c.year;
        EXPECT_EQ((s.time & 31) * 2, c.second / 2 * 2) << c.year;
    }
}

TEST(Lytczip, FixedCapacityStreamRefusesToGrow)
{
    ZipArchive* small = CZIPInitialize(40);
    ASSERT_NE(small, nullptr);
    EXPECT_EQ(CZIPDoAction(small, "a-rather-long-name.txt", "data", 4), 8);
    EXPECT_EQ(CZIPGetLastError(small), 7);
    CZIPFinalize(small);
}

} // namespace
