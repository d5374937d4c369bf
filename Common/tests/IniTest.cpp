#include "Ini.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

struct Doc {
    IniDocument document = nullptr;
    explicit Doc(const std::string& text)
    {
        EXPECT_EQ(IniParseBuffer(text.data(), static_cast<unsigned long>(text.size()), &document), INI_OK);
    }
    ~Doc() { IniFree(&document); }
    int SectionCount() const
    {
        int count = 0;
        for (IniSection* s = document; s; s = s->next)
            ++count;
        return count;
    }
};

struct ParseCase {
    const char* what;
    std::string text;
    const wchar_t* section;
    const wchar_t* key;
    const wchar_t* expected; // null: not found
    bool quoted;
};

TEST(IniParse, LinesTable)
{
    const ParseCase cases[] = {
        {"blanks around = and quoted words", "[S]\r\n  name  =  \"two words\"  \r\n", L"S", L"name", L"two words", true},
        {"inner quotes stay", "[S]\nq=\"a \"b\" c\"\n", L"S", L"q", L"a \"b\" c", true},
        {"one quote is no pair", "[S]\r\none=\"\r\n", L"S", L"one", L"\"", false},
        {"second equals sign is value", "[S]\r\nk==x\r\n", L"S", L"k", L"=x", false},
        {"text before first bracket ignored", "\xEF\xBB\xBFk=1\r\n;c\r\n[S]\r\nk=2\r\n", L"S", L"k", L"2", false},
        {"names case-insensitive", "[Sec]\r\nKey=v\r\n", L"sEC", L"kEY", L"v", false},
        {"first key wins", "[S]\r\na=1\r\nA=2\r\n", L"S", L"a", L"1", false},
        {"first section wins", "[S]\r\na=1\r\n[s]\r\na=2\r\nb=3\r\n", L"S", L"b", nullptr, false},
        {"line without equals ignored", "[S]\r\njustaword\r\nk=v\r\n", L"S", L"justaword", nullptr, false},
        {"empty key ignored", "[S]\r\n  = v\r\n", L"S", L"", nullptr, false},
        {"comment line", "[S]\r\n ;k=v\r\n", L"S", L";k", nullptr, false},
        {"header name trimmed", "[  Name \t]\r\nk=v\r\n", L"Name", L"k", L"v", false},
        {"lone carriage returns split lines", "[S]\ra=1\rb=2", L"S", L"b", L"2", false},
        {"empty value", "[S]\r\nk=\r\n", L"S", L"k", L"", false},
        {"bad header: entries stay in previous section", "[S]\r\n[Bad\r\nk=v\r\n", L"S", L"k", L"v", false},
        {"text stops at a terminator", std::string("[S]\r\na=1\0b=2", 13), L"S", L"b", nullptr, false},
        {"ANSI code page", "[S]\r\nk=caf\xE9\r\n", L"S", L"k", L"caf\u00e9", false},
    };
    for (const ParseCase& c : cases) {
        Doc doc(c.text);
        const wchar_t* value = reinterpret_cast<const wchar_t*>(1);
        int status = IniGetValue(c.section, c.key, &value, doc.document);
        if (!c.expected) {
            EXPECT_NE(status, INI_OK) << c.what;
            EXPECT_EQ(value, nullptr) << c.what;
            continue;
        }
        ASSERT_EQ(status, INI_OK) << c.what;
        EXPECT_STREQ(value, c.expected) << c.what;
        IniSection* section = nullptr;
        IniFindSection(c.section, &doc.document, &section, false);
        ASSERT_NE(section, nullptr) << c.what;
        for (IniEntry* e = section->firstEntry; e; e = e->next)
            if (e->value == value) {
                EXPECT_EQ(e->quoted, c.quoted) << c.what;
            }
    }
}

TEST(IniParse, CutsLongKeysAndValues)
{
    std::string text = "[" + std::string(150, 'N') + "]\r\n" + std::string(150, 'k') + "=" + std::string(1100, 'v');
    Doc doc(text);
    ASSERT_NE(doc.document, nullptr);
    EXPECT_EQ(wcslen(doc.document->name), 101u);
    ASSERT_NE(doc.document->firstEntry, nullptr);
    EXPECT_EQ(wcslen(doc.document->firstEntry->key), 101u);
    EXPECT_EQ(wcslen(doc.document->firstEntry->value), 1027u);

    std::wstring big(1100, L'x');
    ASSERT_EQ(IniSetValue(L"S", L"k", big.c_str(), &doc.document), INI_OK);
    const wchar_t* value = nullptr;
    ASSERT_EQ(IniGetValue(L"S", L"k", &value, doc.document), INI_OK);
    EXPECT_EQ(std::wstring(value), std::wstring(1027, L'x'));
}

TEST(IniParse, TextWithoutBracketIsEmptyDocument)
{
    Doc doc("k=v\r\nother=1\r\n");
    EXPECT_EQ(doc.document, nullptr);
}

TEST(IniEdit, SetAddRemove)
{
    Doc doc("[S]\r\nk=1\r\nk=2\r\n");
    ASSERT_EQ(IniAddValue(L"S", L"k", L"3", &doc.document), INI_OK);
    int count = 0;
    for (IniEntry* e = doc.document->firstEntry; e; e = e->next)
        ++count;
    EXPECT_EQ(count, 3);

    ASSERT_EQ(IniSetValue(L"S", L"K", L"one", &doc.document), INI_OK); // replaces the first
    EXPECT_STREQ(doc.document->firstEntry->value, L"one");
    EXPECT_STREQ(doc.document->firstEntry->next->value, L"2");

    ASSERT_EQ(IniSetValue(L"S", L"k", nullptr, &doc.document), INI_OK); // removes the first
    const wchar_t* value = nullptr;
    ASSERT_EQ(IniGetValue(L"S", L"k", &value, doc.document), INI_OK);
    EXPECT_STREQ(value, L"2");

    EXPECT_EQ(IniSetValue(L"Missing", L"k", nullptr, &doc.document), INI_NOT_FOUND);
    EXPECT_EQ(doc.SectionCount(), 1);
    ASSERT_EQ(IniSetValue(L"  New", L"a", L"b", &doc.document), INI_OK);
    EXPECT_EQ(doc.SectionCount(), 2);
    EXPECT_EQ(IniGetValue(L"New", L"a", &value, doc.document), INI_OK);

    EXPECT_EQ(IniSetValue(L"", L"k", L"v", &doc.document), INI_BAD_ARGUMENT);
    EXPECT_EQ(IniSetValue(L"S", nullptr, L"v", &doc.document), INI_BAD_ARGUMENT);
    EXPECT_EQ(IniGetValue(L"S", L"", &value, doc.document), INI_BAD_ARGUMENT);
    EXPECT_EQ(value, nullptr);
}

TEST(IniFile, ReadModifyWriteRoundTrip)
{
    std::wstring folder = TestFolder(L"ini_roundtrip");
    std::wstring path = folder + L"\\wininit.ini";
    WriteBytes(path, "; header comment\r\n"
                     "[rename]\r\n"
                     "NUL = \"C:\\a b\\x.dll\"\r\n"
                     "[Bad\r\n"
                     "[Other]\r\n"
                     "k=caf\xE9\r\n"
                     "[other]\r\n"
                     "k=second\r\n");
    char* buffer = nullptr;
    unsigned long length = 0, size = 0;
    ASSERT_EQ(IniReadFile(path.c_str(), &buffer, &length, &size), INI_OK);
    IniDocument doc = nullptr;
    ASSERT_EQ(IniParseBuffer(buffer, length, &doc), INI_OK);
    IniFreeBuffer(&buffer);
    EXPECT_EQ(buffer, nullptr);

    ASSERT_EQ(IniAddValue(L"rename", L"NUL", L"C:\\y.sys", &doc), INI_OK);
    ASSERT_EQ(IniSetValue(L"Other", L"new", L"1", &doc), INI_OK);
    ASSERT_EQ(IniWriteFile(path.c_str(), doc), INI_OK);
    IniFree(&doc);
    EXPECT_EQ(doc, nullptr);

    EXPECT_EQ(ReadBytes(path), "\r\n\r\n[rename]\r\n"
                               "NUL=\"C:\\a b\\x.dll\"\r\n"
                               "NUL=C:\\y.sys\r\n"
                               "\r\n\r\n[Other]\r\n"
                               "k=caf\xE9\r\n"
                               "new=1\r\n"
                               "\r\n\r\n[other]\r\n"
                               "k=second\r\n");
    RemoveTree(folder);
}

TEST(IniFile, UnnamedSectionAndCommentsOnWrite)
{
    std::wstring folder = TestFolder(L"ini_unnamed");
    std::wstring path = folder + L"\\out.ini";
    Doc doc("[Broken\r\nk=v\r\n[S]\r\na=1\r\n");
    ASSERT_EQ(doc.SectionCount(), 2);
    EXPECT_STREQ(doc.document->name, L"");
    const wchar_t* value = nullptr;
    EXPECT_EQ(IniGetValue(L"S", L"k", &value, doc.document), INI_NOT_FOUND);

    IniSection* s = doc.document->next;
    s->firstEntry->comment = true; // a comment entry writes its value alone
    ASSERT_EQ(IniWriteFile(path.c_str(), doc.document), INI_OK);
    EXPECT_EQ(ReadBytes(path), "\r\n\r\n[S]\r\n1\r\n");
    RemoveTree(folder);
}

TEST(IniFile, SizeLimitsOfBothForms)
{
    std::wstring folder = TestFolder(L"ini_limits");
    struct Case {
        IniForm form;
        unsigned long size;
        int status;
        unsigned long bufferSize;
    } cases[] = {
        {IniForm::Full, 128000, INI_OK, 128000 * 2 + 70},
        {IniForm::Full, 128001, INI_TOO_LARGE, 0},
        {IniForm::Reduced, 64000, INI_OK, 64000 + 35},
        {IniForm::Reduced, 64001, INI_TOO_LARGE, 0},
        {IniForm::Full, 0, INI_OK, 70},
    };
    for (const Case& c : cases) {
        std::wstring path = folder + L"\\f" + std::to_wstring(c.size) + L".ini";
        std::string bytes(c.size, 'a');
        WriteBytes(path, bytes);
        char* buffer = reinterpret_cast<char*>(1);
        unsigned long length = 7, size = 7;
        EXPECT_EQ(IniReadFile(path.c_str(), &buffer, &length, &size, c.form), c.status) << c.size;
        EXPECT_EQ(size, c.bufferSize) << c.size;
        if (c.status != INI_OK) {
            EXPECT_EQ(buffer, nullptr) << c.size;
            continue;
        }
        ASSERT_NE(buffer, nullptr);
        EXPECT_EQ(length, c.size);
        EXPECT_EQ(std::string(buffer, length), bytes);
        for (unsigned long i = length; i < size; ++i)
            ASSERT_EQ(buffer[i], 0) << c.size;
        IniFreeBuffer(&buffer);
    }
    char* buffer = reinterpret_cast<char*>(1);
    unsigned long length = 0, size = 0;
    EXPECT_EQ(IniReadFile((folder + L"\\missing.ini").c_str(), &buffer, &length, &size), INI_CANNOT_OPEN);
    EXPECT_EQ(buffer, nullptr);
    IniDocument doc = nullptr;
    EXPECT_EQ(IniWriteFile((folder + L"\\no\\such\\dir.ini").c_str(), doc), INI_CANNOT_CREATE);
    RemoveTree(folder);
}

} // namespace
