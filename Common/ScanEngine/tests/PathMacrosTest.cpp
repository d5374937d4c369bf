// The path macros against the folders this prefix reports.

#include "PathMacros.h"

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>

namespace {

std::wstring Folder(int csidl)
{
    wchar_t path[MAX_PATH] = {};
    return SUCCEEDED(SHGetFolderPathW(nullptr, csidl, nullptr, 0, path)) ? std::wstring(path) : std::wstring();
}

std::wstring Expand(const std::wstring& text, size_t outSize = 261, size_t* result = nullptr)
{
    wchar_t out[600];
    wmemset(out, L'#', 600);
    out[599] = 0;
    size_t r = expandPathMacros(text.c_str(), out, outSize);
    if (result)
        *result = r;
    return r ? std::wstring(out) : std::wstring(L"<none>");
}

TEST(PathMacros, MacrosBecomeTheFoldersAndTheRestIsLowerCase)
{
    std::wstring windows = Folder(CSIDL_WINDOWS);
    std::wstring system = Folder(CSIDL_SYSTEM);
    ASSERT_FALSE(windows.empty());
    wchar_t temp[MAX_PATH];
    GetEnvironmentVariableW(L"TEMP", temp, MAX_PATH);
    struct Case {
        std::wstring text;
        std::wstring expected;
    } cases[] = {
        {L"%WINDIR%\\Temp", windows + L"\\temp"},
        {L"%Windows%\\X", windows + L"\\x"},
        {L"%system%\\DRIVERS", system + L"\\drivers"},
        {L"%ProgramFiles%\\App", Folder(CSIDL_PROGRAM_FILES) + L"\\app"},
        {L"%MyDocuments%", Folder(CSIDL_PERSONAL)},
        {L"%desktop%\\a", Folder(CSIDL_DESKTOPDIRECTORY) + L"\\a"},
        {L"%CommonFiles%", Folder(CSIDL_PROGRAM_FILES_COMMON)},
        {L"%root%", system.substr(0, 2) + L"\\"},      // a bare drive gets its backslash
        {L"C:", L"c:\\"},
        {L"%TEMP%\\Sub", temp + std::wstring(L"\\sub")}, // any variable; its value is not lower-cased
        {L"%windir%\\a;%windir%\\b", windows + L"\\a;%windir%\\b"}, // only the first occurrence is a macro...
        {L"%nosuchvariable%\\x", L"%nosuchvariable%\\x"},
        {L"D:\\Data", L"d:\\data"},
    };
    for (const Case& c : cases) {
        size_t result = 0;
        std::wstring expected = c.expected;
        // ... the second "%windir%" is then an environment variable of Wine's own.
        if (c.text == L"%windir%\\a;%windir%\\b") {
            wchar_t env[MAX_PATH] = {};
            GetEnvironmentVariableW(L"windir", env, MAX_PATH);
            expected = windows + L"\\a;" + (env[0] ? std::wstring(env) : L"%windir%") + L"\\b";
        }
        EXPECT_EQ(Expand(c.text, 261, &result), expected);
        EXPECT_EQ(result, expected.size() + 1);
    }
}

TEST(PathMacros, NothingWrittenWhenItDoesNotFit)
{
    size_t result = 1;
    EXPECT_EQ(Expand(L"C:\\abcdef", 10, &result), L"c:\\abcdef");
    EXPECT_EQ(result, 10u);
    EXPECT_EQ(Expand(L"C:\\abcdefg", 10, &result), L"<none>");
    EXPECT_EQ(result, 0u);
    // Only the first 260 characters of the text are taken; an expansion beyond 260 fails.
    std::wstring longText = L"C:\\" + std::wstring(300, L'A');
    EXPECT_EQ(Expand(longText, 600, &result), L"c:\\" + std::wstring(257, L'a'));
    EXPECT_EQ(Expand(L"%windir%" + std::wstring(255, L'b'), 600, &result), L"<none>");
}

} // namespace
