#include "ProgressRecord.h"

#include "TessalyConfig.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

const char kInstance[] = "{0A1B2C3D-0000-1111-2222-333344445555}";

TessalyConfig SampleConfig()
{
    TessalyConfig config;
    config.instanceId = kInstance;
    config.auditGuid = L"{AUDIT-GUID}";
    config.computerName = L"PC-01";
    config.reportsFolder = L"C:\\dest";
    config.reportsFtp = L"ftp://host/x";
    config.bareFilteredElementsFolder = L"Filtered";
    return config;
}

// Reads a UTF-16LE field straight from the bytes, as a console would.
std::wstring BytesText(const unsigned char* bytes, size_t offset, size_t characters)
{
    std::wstring text;
    for (size_t i = 0; i < characters; ++i) {
        wchar_t c = static_cast<wchar_t>(bytes[offset + 2 * i] | (bytes[offset + 2 * i + 1] << 8));
        if (!c)
            break;
        text += c;
    }
    return text;
}

int32_t BytesInt(const unsigned char* bytes, size_t offset)
{
    int32_t value;
    memcpy(&value, bytes + offset, 4);
    return value;
}

TEST(ProgressRecord, FieldsLandAtTheirOffsets)
{
    ProgressRecord record;
    ASSERT_TRUE(FillProgressRecord(record, SampleConfig(), PROGRESS_STARTING));
    record.percentage = 37;
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&record);
    EXPECT_EQ(1352, BytesInt(bytes, 0));
    EXPECT_EQ(L"{AUDIT-GUID}", BytesText(bytes, 4, 50));
    EXPECT_EQ(L"PC-01", BytesText(bytes, 104, 50)); // no progress identifier: the computer name
    EXPECT_EQ(L"{0A1B2C3D-0000-1111-2222-333344445555}", BytesText(bytes, 204, 50));
    EXPECT_EQ(1, BytesInt(bytes, 304));
    EXPECT_EQ(L"C:\\dest", BytesText(bytes, 308, 260)); // the folder wins over the FTP address
    EXPECT_EQ(L"Reports", BytesText(bytes, 828, 50));
    EXPECT_EQ(L"Suspicious", BytesText(bytes, 928, 50));
    EXPECT_EQ(L"Quarantine", BytesText(bytes, 1028, 50));
    EXPECT_EQ(0, BytesInt(bytes, 1128));
    SYSTEMTIME now;
    GetSystemTime(&now);
    uint16_t year;
    memcpy(&year, bytes + 1132, 2);
    EXPECT_EQ(now.wYear, year);
    EXPECT_EQ(37, BytesInt(bytes, 1148));
    EXPECT_EQ(L"Statistics", BytesText(bytes, 1152, 50));
    EXPECT_EQ(L"Filtered", BytesText(bytes, 1252, 50));
}

TEST(ProgressRecord, VariantsOfTheConfiguration)
{
    TessalyConfig config = SampleConfig();
    config.progressId = L"console-7";
    config.disinfection = true;
    config.reportsFolder.clear();
    ProgressRecord record;
    ASSERT_TRUE(FillProgressRecord(record, config, PROGRESS_FAILED));
    EXPECT_EQ(L"console-7", FixedText(record.progressId));
    EXPECT_EQ(2, record.clientKind);
    EXPECT_EQ(L"ftp://host/x", FixedText(record.destination));
    EXPECT_EQ(-1, record.status);
}

TEST(ProgressRecord, NoInstanceIdentifierNoRecord)
{
    TessalyConfig config = SampleConfig();
    config.instanceId.clear();
    ProgressRecord record;
    memset(&record, 0x5a, sizeof(record));
    EXPECT_FALSE(FillProgressRecord(record, config, PROGRESS_FINISHED));
    EXPECT_EQ(0, record.size);
}

TEST(ProgressRecord, LongTextsAreCutAndTerminated)
{
    TessalyConfig config = SampleConfig();
    config.progressId = std::wstring(50, L'p'); // "ProgressID.dat" may fill its 50 characters
    config.reportsFolder = L"C:\\" + std::wstring(400, L'd');
    ProgressRecord record;
    ASSERT_TRUE(FillProgressRecord(record, config, PROGRESS_RUNNING));
    EXPECT_EQ(std::wstring(49, L'p'), FixedText(record.progressId));
    EXPECT_EQ(0, record.progressId[49]);
    EXPECT_EQ(259u, FixedText(record.destination).size());
    EXPECT_EQ(0, record.destination[259]);
    EXPECT_EQ(L"Reports", FixedText(record.reportsName)); // the neighbour is untouched
}

TEST(ProgressRecord, FixedTextStopsAtTheFieldEnd)
{
    wchar_t field[4] = {L'a', L'b', L'c', L'd'}; // no terminator, as in a foreign file
    EXPECT_EQ(L"abcd", FixedText(field));
}

TEST(ProgressRecord, BracedGuidShape)
{
    const struct {
        const wchar_t* text;
        bool valid;
    } cases[] = {
        {L"{0A1B2C3D-0000-1111-2222-333344445555}", true},
        {L"{0a1b2c3d-0000-1111-2222-33334444555f}", true},
        {L"0A1B2C3D-0000-1111-2222-333344445555", false},
        {L"{0A1B2C3D-0000-1111-2222-33334444555G}", false},
        {L"{..\\..\\-0000-1111-2222-333344445555}", false},
        {L"{0A1B2C3D-0000-1111-2222-333344445555}x", false},
        {L"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.valid, IsBracedGuidText(c.text)) << c.text;
}

} // namespace
