#include "FileHelpers.h"
#include "FileVersion.h"
#include "KVLog.h"
#include "Process.h"
#include "ScopeLogger.h"
#include "TestFiles.h"
#include "TestLog.h"
#include "Wow64.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace {

bool Exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

TEST(FileHelpers, MakeAbsolute)
{
    const struct {
        const wchar_t* path;
        const wchar_t* expected;
    } cases[] = {
        {L"D:\\x", L"D:\\x"},
        {L"\\\\server\\share", L"\\\\server\\share"},
        {L"Reports", L"C:\\Prog\\Reports"},
        {L"sub\\dir", L"C:\\Prog\\sub\\dir"},
        {L"\\rooted", L"C:\\Prog\\\\rooted"},
        {L"c:", L"c:"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MakeAbsolute(c.path, L"C:\\Prog"), c.expected) << c.path;
}

TEST(FileHelpers, CreateAndCleanFolderRefusesSystemFolders)
{
    const wchar_t* refused[] = {
        L"C:\\Windows",  L"c:\\windows\\system32", L"C:\\WINDOWS\\System", L"C:\\Winnt",
        L"D:\\winnt\\system32", L"C:\\Windows\\",  L"C:\\Windows\\System32\\..\\", L"C:\\Windows\\.",
    };
    for (const wchar_t* path : refused) {
        // Checked first so that a broken guard can never empty the real folder in this test.
        ASSERT_TRUE(IsSystemFolder(path)) << path;
        EXPECT_EQ(CreateAndCleanFolder(path), 1) << path;
    }
    EXPECT_EQ(CreateAndCleanFolder(L"C:\\a"), 1);
    EXPECT_EQ(CreateAndCleanFolder(L""), 1);
    EXPECT_FALSE(IsSystemFolder(L"C:\\Windows\\Temp\\x"));
    EXPECT_FALSE(IsSystemFolder(L"C:\\Windowsx"));
}

TEST(FileHelpers, CreateAndCleanFolderCreatesParentsAndEmpties)
{
    std::wstring accepted = L"C:\\Windows\\Temp\\kvcommon_" + std::to_wstring(GetCurrentProcessId());
    ASSERT_EQ(CreateAndCleanFolder(accepted), 0);
    EXPECT_TRUE(Exists(accepted));
    RemoveTree(accepted);

    std::wstring base = TestFolder(L"clean");
    std::wstring folder = base + L"\\a\\b\\work";
    ASSERT_EQ(CreateAndCleanFolder(folder), 0);
    ASSERT_TRUE(Exists(folder));
    WriteBytes(folder + L"\\one.txt", "1");
    CreateDirectoryW((folder + L"\\sub").c_str(), nullptr);
    CreateDirectoryW((folder + L"\\sub\\deeper").c_str(), nullptr);
    WriteBytes(folder + L"\\sub\\deeper\\two.txt", "2");
    WriteBytes(base + L"\\a\\sibling.txt", "kept");

    ASSERT_EQ(CreateAndCleanFolder(folder), 0);
    EXPECT_TRUE(Exists(folder));
    EXPECT_FALSE(Exists(folder + L"\\one.txt"));
    EXPECT_FALSE(Exists(folder + L"\\sub"));
    EXPECT_EQ(ReadBytes(base + L"\\a\\sibling.txt"), "kept");

    WriteBytes(base + L"\\file", "x"); // a file where the folder should be
    EXPECT_EQ(CreateAndCleanFolder(base + L"\\file"), 1);
    RemoveTree(base);
}

std::wstring ExecutablePath()
{
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

TEST(FileHelpers, FileVersionOfOurOwnBinaries)
{
    std::wstring exe = ExecutablePath();
    std::wstring version = L"untouched", description = L"untouched";
    ASSERT_TRUE(GetFileVersionText(exe.c_str(), &version, &description));
    EXPECT_EQ(version, L"1.0.0.0");
    EXPECT_EQ(description, L"Unit tests: common_helpers_test");

    // The log stand-in shipped beside the test programs (dist\ next to bin\).
    std::wstring dll = exe.substr(0, exe.rfind(L"\\bin\\")) + L"\\dist\\KVLog.dll";
    ASSERT_TRUE(GetFileVersionText(dll.c_str(), nullptr, &description));
    EXPECT_EQ(description, L"Log component (development stand-in)");

    std::wstring folder = TestFolder(L"version");
    WriteBytes(folder + L"\\plain.txt", "no resources");
    version = L"untouched";
    description = L"untouched";
    EXPECT_FALSE(GetFileVersionText((folder + L"\\plain.txt").c_str(), &version, &description));
    EXPECT_EQ(version, L"untouched");
    EXPECT_EQ(description, L"untouched");
    RemoveTree(folder);
}

TEST(FileHelpers, RunAndWaitReportsTheExitCode)
{
    DWORD code = 12345;
    ASSERT_TRUE(RunAndWait(L"cmd.exe /c exit 7", &code));
    EXPECT_EQ(code, 7u);

    std::wstring folder = TestFolder(L"run");
    std::wstring marker = folder + L"\\done.txt";
    ASSERT_TRUE(RunAndWait((L"cmd.exe /c echo ran> \"" + marker + L"\"").c_str(), &code));
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(ReadBytes(marker).substr(0, 3), "ran"); // written before the wait returned
    RemoveTree(folder);

    code = 12345;
    EXPECT_FALSE(RunAndWait(L"C:\\no\\such\\program.exe", &code));
    EXPECT_EQ(code, 12345u);
}

TEST(FileHelpers, Wow64Switches)
{
    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    EXPECT_EQ(IsWow64(), wow64 != FALSE);
    EXPECT_EQ(IsWow64(), wow64 != FALSE); // the cached answer
    if (wow64) {
        void* old = nullptr;
        ASSERT_TRUE(DisableFsRedirection(&old));
        EXPECT_TRUE(RevertFsRedirection(old));
    }
}

void LoggedFunction()
{
    KV_SCOPE("KvScan", "LoggedFunction()");
    KV_GenerateLog("KvScan", KV_SOURCE_FILE, __LINE__, "%s", "inside");
}

TEST(ScopeLogger, BracketsTheFunctionInTheLog)
{
    TestLog log;
    LoggedFunction();
    std::vector<std::string> mine;
    for (const LogRecord& r : log.Records())
        if (r.pid == GetCurrentProcessId() && r.sourceFile == "FileHelpersTest.cpp")
            mine.push_back(r.module + " " + r.message);
    EXPECT_EQ(mine, (std::vector<std::string>{"KvScan +LoggedFunction()", "KvScan inside", "KvScan -LoggedFunction()"}));
}

} // namespace
