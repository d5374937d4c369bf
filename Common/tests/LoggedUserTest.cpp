#include "OsType.h"
#include "SystemFacts.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace {

std::wstring ProcessUser()
{
    wchar_t name[520] = {};
    DWORD size = 517;
    GetUserNameW(name, &size);
    return name;
}

// The NT utility stand-in, copied into a folder of its own that the DLL search takes before the
// shipped folder; it answers from "LoggedUser.txt" beside itself and journals every call.
class LoggedUserTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_ = TestFolder(L"LoggedUser");
        wchar_t exe[MAX_PATH];
        GetModuleFileNameW(nullptr, exe, MAX_PATH);
        std::wstring dist = exe;
        dist = dist.substr(0, dist.find_last_of(L'\\')) + L"\\..\\dist\\KVNTUtils.dll";
        ASSERT_TRUE(CopyFileW(dist.c_str(), (folder_ + L"\\KVNTUtils.dll").c_str(), FALSE));
        ASSERT_TRUE(SetDllDirectoryW(folder_.c_str()));
    }
    void TearDown() override
    {
        SetDllDirectoryW(nullptr);
        RemoveTree(folder_);
    }
    std::string Journal() { return ReadBytes(folder_ + L"\\KVNTUtils.journal"); }

    std::wstring folder_;
};

TEST_F(LoggedUserTest, ConsoleUserFromTheLibrary)
{
    WriteBytes(folder_ + L"\\LoggedUser.txt", "auditee\r\n");
    TessalyConfig config;
    config.osType = OS_WIN7;
    std::wstring name;
    ASSERT_TRUE(GetLoggedUser(config, name));
    EXPECT_EQ(L"auditee", name);
    EXPECT_NE(std::string::npos, Journal().find("auditee")) << Journal();
}

TEST_F(LoggedUserTest, LibraryFailureFallsBackToTheProcessUser)
{
    WriteBytes(folder_ + L"\\LoggedUser.txt", "!fail\r\n");
    TessalyConfig config;
    config.osType = OS_XP_PROFESSIONAL;
    std::wstring name;
    ASSERT_TRUE(GetLoggedUser(config, name));
    EXPECT_EQ(ProcessUser(), name);
    EXPECT_NE(std::string::npos, Journal().find("GetLoggedUser")) << Journal();
}

TEST_F(LoggedUserTest, OlderSystemsAskForTheProcessUserOnly)
{
    WriteBytes(folder_ + L"\\LoggedUser.txt", "auditee\r\n");
    for (int type : {OS_WIN98, OS_NT4, OS_NT4_SERVER}) {
        TessalyConfig config;
        config.osType = type;
        std::wstring name;
        ASSERT_TRUE(GetLoggedUser(config, name)) << type;
        EXPECT_EQ(ProcessUser(), name) << type;
    }
    EXPECT_EQ("", Journal());
}

} // namespace
