// The elements file of a disinfection run: parsing of a line, the three records per line and the
// reading of the file (line ends, empty and over-long lines, the refused names).

#include "Base64.h"
#include "ElementsFile.h"
#include "TestFiles.h"
#include "TestLog.h"
#include "TextHelpers.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

std::vector<uint8_t> Bytes(const std::string& text)
{
    return std::vector<uint8_t>(text.begin(), text.end());
}

TEST(ElementsFile, LinesAreSplitIntoTypeSubTypeAndData)
{
    struct Row {
        const char* line;
        uint32_t type;
        uint32_t subType;
        std::string data;
    } rows[] = {
        {"7;2;QUJD", 7, 2, "ABC"},
        {"13;4;QUJDRA==", 13, 4, "ABCD"},
        {"16;0;QQ==", 16, 0, "A"},
        {"QUJD", 0, 0, "ABC"},             // no ";": the whole line is Base64
        {"5;QUJD", 5, 0, "ABC"},           // one ";": sub-type 0, the rest is Base64
        {";QUJD", 0, 0, ""},               // a ";" in the first place does not count: decoding stops there
        {"7;2;QUJD*REVG", 7, 2, "ABC"},    // damaged Base64: the bytes decoded so far
        {"7;2;QUJ", 7, 2, "AB"},           // a short last group
        {" 12x;3;QUJD", 12, 3, "ABC"},     // decimal rules: blanks, digits up to another character
        {"7;2;", 7, 2, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        DisinfectionElement element = ParseElementLine(row.line);
        EXPECT_EQ(element.type, row.type);
        EXPECT_EQ(element.subType, row.subType);
        EXPECT_EQ(element.data, Bytes(row.data));
    }
}

TEST(ElementsFile, RecordsCarryTypesExceptFor0_13And16)
{
    struct Row {
        uint32_t type;
        uint32_t subType;
        uint32_t writtenType;
        uint32_t writtenSubType;
    } rows[] = {{7, 2, 7, 2}, {1, 0, 1, 0}, {13, 4, 0, 0}, {16, 5, 0, 0}, {0, 9, 0, 0}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.type);
        DisinfectionElement element;
        element.type = row.type;
        element.subType = row.subType;
        element.data = Bytes("QELD data");
        DisinfectionItemRecords records;
        std::memset(&records, 0xCC, sizeof records);
        BuildItemRecords(element, records);

        EXPECT_EQ(records.item.size, sizeof(ZoDetectionItemRecord));
        EXPECT_EQ(records.item.malware, &records.malware);
        EXPECT_EQ(records.item.data, &records.data);
        for (uint32_t word : records.item.unused)
            EXPECT_EQ(word, 0u);
        EXPECT_EQ(records.data.data, element.data.data());
        EXPECT_EQ(records.data.length, 9u);
        EXPECT_EQ(records.malware.type, row.writtenType);
        EXPECT_EQ(records.malware.subType, row.writtenSubType);
        for (uint32_t word : records.malware.unused)
            EXPECT_EQ(word, 0u);
    }
}

class ElementsFileReading : public ::testing::Test {
protected:
    void SetUp() override { folder_ = TestFolder(L"elements"); }
    void TearDown() override { RemoveTree(folder_); }

    std::vector<DisinfectionElement> Read(const std::string& content, int expected = ELEMENTS_READ)
    {
        std::string path = ToNarrow(folder_) + "\\{guid}";
        WriteBytes(folder_ + L"\\{guid}", content);
        std::vector<DisinfectionElement> elements;
        EXPECT_EQ(ReadElementsFile(path, "KvScan", elements), expected);
        return elements;
    }

    std::wstring folder_;
};

TEST_F(ElementsFileReading, EveryLineIsOneElement)
{
    std::vector<DisinfectionElement> elements = Read("7;2;QUJD\r\n13;1;REVG\nQUJD");
    ASSERT_EQ(elements.size(), 3u);
    EXPECT_EQ(elements[0].type, 7u);
    EXPECT_EQ(elements[0].data, Bytes("ABC"));
    EXPECT_EQ(elements[1].type, 13u);
    EXPECT_EQ(elements[1].data, Bytes("DEF"));
    EXPECT_EQ(elements[2].type, 0u);
    EXPECT_EQ(elements[2].data, Bytes("ABC"));
}

TEST_F(ElementsFileReading, EmptyFileAndEmptyLinesGiveNoElements)
{
    EXPECT_TRUE(Read("").empty());
    std::vector<DisinfectionElement> elements = Read("\n\r\n7;2;QUJD\n\n");
    ASSERT_EQ(elements.size(), 1u);
    EXPECT_EQ(elements[0].subType, 2u);
}

TEST_F(ElementsFileReading, OverlongLineIsSkippedWholeAndLogged)
{
    std::string payload(3100, 'A');
    std::string longest = "1;0;" + std::string(4088, 'B') + "QUI"; // exactly at the limit: taken
    ASSERT_EQ(longest.size(), kMaxElementLine);
    std::string tooLong = "9;9;" + Base64Encode(payload.data(), payload.size()) + "QUJD";
    ASSERT_GT(tooLong.size(), kMaxElementLine);
    TestLog log;
    std::vector<DisinfectionElement> elements = Read("7;2;QUJD\n" + tooLong + "\n" + longest + "\n5;1;REVG\n");
    ASSERT_EQ(elements.size(), 3u);
    EXPECT_EQ(elements[0].type, 7u);
    EXPECT_EQ(elements[1].type, 1u);
    ASSERT_EQ(elements[1].data.size(), 4088u / 4 * 3 + 2);
    EXPECT_EQ(elements[1].data[elements[1].data.size() - 2], 'A'); // the line's end was read
    EXPECT_EQ(elements[1].data.back(), 'B');
    EXPECT_EQ(elements[2].type, 5u);
    EXPECT_EQ(elements[2].data, Bytes("DEF"));
    std::vector<std::string> messages = log.Messages("ElementsFile.cpp");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "Element 2 of the elements to disinfect file is longer than 4095 characters: skipped");
}

TEST_F(ElementsFileReading, MissingFileIsToldApart)
{
    std::vector<DisinfectionElement> elements;
    EXPECT_EQ(ReadElementsFile(ToNarrow(folder_) + "\\absent", "KvScan", elements), ELEMENTS_MISSING);
    EXPECT_TRUE(elements.empty());
}

TEST(ElementsFilePath, AuditGuidThatCouldLeaveTheFolderIsRefused)
{
    struct Row {
        const wchar_t* auditGuid;
        const char* path; // empty: refused
    } rows[] = {
        {L"{a1b2c3d4-0000-1111-2222-333344445555}", "C:\\kv\\{a1b2c3d4-0000-1111-2222-333344445555}"},
        {L"..", ""},
        {L"..\\..\\Windows\\win.ini", ""},
        {L"sub\\name", ""},
        {L"sub/name", ""},
        {L"C:name", ""},
        {L"a..b", ""},
        {L"", ""},
    };
    for (const Row& row : rows) {
        std::string path = "unchanged";
        bool accepted = ElementsFilePath("C:\\kv", row.auditGuid, path);
        EXPECT_EQ(path, row.path) << ToNarrow(row.auditGuid);
        EXPECT_EQ(accepted, *row.path != '\0') << ToNarrow(row.auditGuid);
    }
}

} // namespace
