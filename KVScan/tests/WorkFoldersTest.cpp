// Work folders of an audit: creation, emptying, the resend run's missing-only creation, and access.
#include "TessalyConfig.h"
#include "WorkFolders.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <aclapi.h>
#include <shellapi.h>

#include <string>

namespace {

bool Exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void Touch(const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    CloseHandle(file);
}

class WorkFoldersTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        program_ = std::wstring(temp) + L"kvwf" + std::to_wstring(GetCurrentProcessId());
        Remove(program_);
        ASSERT_TRUE(CreateDirectoryW(program_.c_str(), nullptr));
        Touch(program_ + L"\\KVScan.exe");
        config_.programFolder = std::string(program_.begin(), program_.end());
        config_.logModule = "KvScanTest";
        config_.reportFolder = L"Reports";
        config_.quarantineFolder = L"Quarantine";
        config_.suspiciousFolder = L"Suspicious";
        config_.statisticFolder = L"Statistics";
        config_.filteredElementsFolder = L"Filtered";
    }
    void TearDown() override { Remove(program_); }

    static void Remove(const std::wstring& folder)
    {
        std::wstring from = folder + L'\0';
        SHFILEOPSTRUCTW op = {};
        op.wFunc = FO_DELETE;
        op.pFrom = from.c_str();
        op.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
        SHFileOperationW(&op);
    }

    std::wstring program_;
    TessalyConfig config_;
};

TEST_F(WorkFoldersTest, FullRunEmptiesAndResendRunKeeps)
{
    ASSERT_TRUE(CreateDirectoryW((program_ + L"\\Reports").c_str(), nullptr));
    Touch(program_ + L"\\Reports\\left-by-earlier-run.xml");
    MakeWorkFoldersAbsolute(config_);
    EXPECT_EQ(program_ + L"\\Reports", config_.reportFolder);

    ASSERT_EQ(0, PrepareWorkFolders(config_, false));
    for (int i = 0; i < FOLDER_COUNT; ++i)
        EXPECT_TRUE(Exists(WorkFolder(config_, i))) << i;
    EXPECT_FALSE(Exists(program_ + L"\\Reports\\left-by-earlier-run.xml"));

    // The resend run: what the interrupted run left stays; a missing folder is made again.
    Touch(program_ + L"\\Reports\\undelivered.xml");
    Touch(program_ + L"\\Suspicious\\element.qel");
    Remove(program_ + L"\\Quarantine");
    ASSERT_EQ(0, PrepareWorkFolders(config_, true));
    EXPECT_TRUE(Exists(program_ + L"\\Reports\\undelivered.xml"));
    EXPECT_TRUE(Exists(program_ + L"\\Suspicious\\element.qel"));
    EXPECT_TRUE(Exists(program_ + L"\\Quarantine"));
}

// A folder name that is empty, or names the program folder, must never empty the programs.
TEST_F(WorkFoldersTest, ProgramFolderIsNeverEmptied)
{
    const wchar_t* names[] = {L"", L".", L".\\", nullptr};
    for (int i = 0; names[i]; ++i) {
        TessalyConfig config = config_;
        config.filteredElementsFolder = names[i];
        config.statisticFolder = names[i];
        MakeWorkFoldersAbsolute(config);
        EXPECT_EQ(0, PrepareWorkFolders(config, false)) << i;
        EXPECT_TRUE(Exists(program_ + L"\\KVScan.exe")) << i;
        EXPECT_TRUE(Exists(program_ + L"\\Reports")) << i;
    }
}

TEST_F(WorkFoldersTest, FolderThatCannotBeMadeStopsTheRun)
{
    Touch(program_ + L"\\blocker");
    config_.quarantineFolder = L"blocker\\Quarantine";
    MakeWorkFoldersAbsolute(config_);
    EXPECT_EQ(2, PrepareWorkFolders(config_, false));
    EXPECT_TRUE(Exists(program_ + L"\\Reports"));
    EXPECT_FALSE(Exists(program_ + L"\\Suspicious")); // the steps after the failure do not run
}

// Everyone's allow entry on a folder, 0 when there is none.
ACCESS_MASK EveryoneRights(const std::wstring& path)
{
    PACL acl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &acl, nullptr,
                              &descriptor) != ERROR_SUCCESS)
        return 0;
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone);
    ACCESS_MASK rights = 0;
    for (DWORD i = 0; acl && i < acl->AceCount; ++i) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        if (GetAce(acl, i, reinterpret_cast<void**>(&ace)) && ace->Header.AceType == ACCESS_ALLOWED_ACE_TYPE &&
            !(ace->Header.AceFlags & INHERIT_ONLY_ACE) && EqualSid(&ace->SidStart, everyone))
            rights |= ace->Mask;
    }
    FreeSid(everyone);
    LocalFree(descriptor);
    return rights;
}

TEST_F(WorkFoldersTest, EveryoneModifiesWorkFoldersButCannotWriteThePrograms)
{
    MakeWorkFoldersAbsolute(config_);
    ASSERT_EQ(0, PrepareWorkFolders(config_, false));
    ASSERT_EQ(0u, AllowEveryoneWorkAccess(config_));

    const ACCESS_MASK modify = FILE_GENERIC_READ | FILE_GENERIC_WRITE | FILE_GENERIC_EXECUTE | DELETE;
    for (int i = 0; i < FOLDER_COUNT; ++i)
        EXPECT_EQ(modify, EveryoneRights(WorkFolder(config_, i)) & modify) << i;
    const ACCESS_MASK program = EveryoneRights(program_);
    // (The delete rights for the cleaner are not asserted: Wine keeps the program folder's list as it was.)
    EXPECT_EQ(0u, program & (FILE_WRITE_DATA | FILE_APPEND_DATA | WRITE_DAC | WRITE_OWNER | GENERIC_ALL))
        << std::hex << program;
}

} // namespace
