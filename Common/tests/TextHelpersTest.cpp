#include "Base64.h"
#include "Guid.h"
#include "LanguageNames.h"
#include "Md5.h"
#include "TextHelpers.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(TextHelpers, XmlEscapeUtf8Table)
{
    const struct {
        std::wstring text;
        std::string expected;
    } cases[] = {
        {L"a<b&c\"d", "a&lt;b&amp;c&quot;d"},
        {L"'x'>y", "&apos;x&apos;&gt;y"},
        {L"caf\u00e9", "caf\xC3\xA9"},
        {L"\u07ff\u0800", "\xDF\xBF\xE0\xA0\x80"},
        {L"\u20ac", "\xE2\x82\xAC"},
        // A pair is one four-byte character; a lone half becomes U+FFFD (never bytes a parser rejects).
        {std::wstring(1, wchar_t(0xD83D)) + wchar_t(0xDE00), "\xF0\x9F\x98\x80"},
        {L"a" + std::wstring(1, wchar_t(0xD83D)) + L"b", "a\xEF\xBF\xBD" "b"},
        {std::wstring(1, wchar_t(0xDE00)) + wchar_t(0xD83D), "\xEF\xBF\xBD\xEF\xBF\xBD"},
        {L"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(XmlEscapeUtf8(c.text), c.expected);
}

TEST(TextHelpers, ConversionsUseTheAnsiCodePage)
{
    EXPECT_EQ(ToWide(std::string("caf\xE9")), L"caf\u00e9");
    EXPECT_EQ(ToNarrow(std::wstring(L"caf\u00e9")), "caf\xE9");
    std::wstring wide = L"x";
    EXPECT_TRUE(ToWide(nullptr, wide));
    EXPECT_EQ(wide, L"");
    std::string longText(5000, 'q');
    EXPECT_EQ(ToNarrow(ToWide(longText)), longText);
    EXPECT_EQ(Utf8ToWide("caf\xC3\xA9"), L"caf\u00e9");
}

TEST(TextHelpers, ToUpperWideHandlesNonLatinTextAndNull)
{
    EXPECT_EQ(ToUpperWide(nullptr), L"");
    EXPECT_EQ(ToUpperWide(L"c:\\\u043f\u0443\u0442\u044c\\caf\u00e9.exe"), L"C:\\\u041f\u0423\u0422\u042c\\CAF\u00c9.EXE");
    EXPECT_EQ(ToUpperWide(L"\u4e2d\u6587"), L"\u4e2d\u6587");
}

TEST(TextHelpers, TrimsBlanksAndTabsOnly)
{
    const struct {
        const char* text;
        const char* left;
        const char* right;
    } cases[] = {
        {" \t a b \t ", "a b \t ", " \t a b"},
        {"\r\nx\r\n", "\r\nx\r\n", "\r\nx\r\n"},
        {" \t ", "", ""},
        {"", "", ""},
    };
    for (const auto& c : cases) {
        std::string left = c.text, right = c.text;
        TrimLeft(left);
        TrimRight(right);
        EXPECT_EQ(left, c.left) << c.text;
        EXPECT_EQ(right, c.right) << c.text;
        char buffer[32];
        strcpy(buffer, c.text);
        TrimLeft(buffer);
        EXPECT_STREQ(buffer, c.left);
        strcpy(buffer, c.text);
        TrimRight(buffer);
        EXPECT_STREQ(buffer, c.right);
        std::wstring wide = ToWide(std::string(c.text));
        Trim(wide);
        std::string both = c.text;
        Trim(both);
        EXPECT_EQ(ToNarrow(wide), both);
    }
}

std::string Hex(const uint8_t digest[16])
{
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    for (int i = 0; i < 16; ++i) {
        text += kDigits[digest[i] >> 4];
        text += kDigits[digest[i] & 15];
    }
    return text;
}

TEST(Md5, PublishedVectors)
{
    const struct {
        std::string text;
        const char* digest;
    } cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const auto& c : cases) {
        uint8_t digest[16];
        Md5(c.text.data(), c.text.size(), digest);
        EXPECT_EQ(Hex(digest), c.digest) << c.text;
    }
    // Fed in pieces that cross block boundaries.
    Md5Context context;
    Md5Init(context);
    std::string text = "12345678901234567890123456789012345678901234567890123456789012345678901234567890";
    Md5Update(context, text.data(), 63);
    Md5Update(context, text.data() + 63, 17);
    uint8_t digest[16];
    Md5Final(context, digest);
    EXPECT_EQ(Hex(digest), "57edf4a22be3c955ac49da2e2107b67a");
}

TEST(Md5, PathHashOrderCaseAndTrailingBackslash)
{
    // MD5("ABC") = 90 2f bd d2 b1 df 0c 4f 70 b4 a5 d2 35 25 e9 32, each byte written low nibble first.
    const char* expected = "09f2db2d1bfdc0f4074b5a2d53529e23";
    for (const char* path : {"ABC", "abc", "aBc\\"})
        EXPECT_EQ(PathHash(path), expected) << path;
    // MD5("C:\PROGRAM FILES\KV") = 9c47e4b4d8d4ed5f7db26ba1015762ec
    EXPECT_EQ(PathHash("c:\\Program Files\\kv\\"), "c9744e4b8d4ddef5d72bb61a107526ce");
    EXPECT_NE(PathHash("abc\\\\"), expected); // only one trailing backslash goes
    EXPECT_EQ(PathHash(std::string(400, 'a').c_str()), PathHash(std::string(259, 'A').c_str()));
    EXPECT_EQ(ProgramFolderHash().size(), 32u);
}

TEST(Base64, Rfc4648VectorsAndDecoderStops)
{
    const struct {
        std::string plain;
        std::string encoded;
    } vectors[] = {{"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},         {"foo", "Zm9v"},
                   {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"}};
    for (const auto& v : vectors) {
        EXPECT_EQ(Base64Encode(v.plain.data(), v.plain.size()), v.encoded);
        std::vector<uint8_t> back = Base64Decode(v.encoded);
        EXPECT_EQ(std::string(back.begin(), back.end()), v.plain);
    }
    const struct {
        std::string encoded;
        std::string plain;
    } stops[] = {
        {"Zm9v=Zm9v", "foo"}, {"Zm9v!Zm9v", "foo"}, {"Zm9v\r\nYmFy", "foo"}, {"Zm9vYg", "foob"}, {"=Zm9v", ""},
    };
    for (const auto& s : stops) {
        std::vector<uint8_t> back = Base64Decode(s.encoded);
        EXPECT_EQ(std::string(back.begin(), back.end()), s.plain) << s.encoded;
    }
    std::string all;
    for (int i = 0; i < 256; ++i)
        all += static_cast<char>(i);
    std::vector<uint8_t> back = Base64Decode(Base64Encode(all.data(), all.size()));
    EXPECT_EQ(std::string(back.begin(), back.end()), all);
}

TEST(LanguageNames, FirstPairWinsAndUnknownIsHex)
{
    EXPECT_EQ(LanguageTableSize(), 263u);
    const struct {
        unsigned short id;
        const char* name;
    } cases[] = {
        {0x0436, "af-za"}, {0x0036, "af"},    {0x0409, "en-us"}, {0x0C0A, "es-es"}, {0x040A, "es"},
        {0x0414, "nb-no"}, {0x0814, "nn-no"}, {0x082C, "az-az-cyrl"}, {0x7C04, "zh-cht"}, {0x0435, "zu"},
        {0x0416, "pt-br"}, {0x0001, "ar"},    {0x1234, "0x1234"}, {0x00AB, "0x00AB"}, {0x0000, "0x0000"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LanguageName(c.id), c.name) << std::hex << c.id;
}

TEST(Guid, BracedLowerCaseAndFresh)
{
    std::string first, second;
    ASSERT_EQ(NewBracedGuid(first), 0);
    ASSERT_EQ(NewBracedGuid(second), 0);
    EXPECT_NE(first, second);
    ASSERT_EQ(first.size(), 38u);
    EXPECT_EQ(first.front(), '{');
    EXPECT_EQ(first.back(), '}');
    for (size_t i = 1; i < 37; ++i) {
        if (i == 9 || i == 14 || i == 19 || i == 24)
            EXPECT_EQ(first[i], '-') << first;
        else
            EXPECT_TRUE(isdigit(static_cast<unsigned char>(first[i])) || (first[i] >= 'a' && first[i] <= 'f'))
                << first;
    }
}

} // namespace
