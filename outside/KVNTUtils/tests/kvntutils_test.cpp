// Drives the stand-in the way the scanner does: loaded by name from a program folder.
#include "KVNTUtils.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

namespace {

class ProgramFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        folder_ = std::string(temp) + "kvntutils_" + std::to_string(GetCurrentProcessId()) + "\\";
        CreateDirectoryA(folder_.c_str(), nullptr);
        char dll[MAX_PATH];
        ASSERT_TRUE(SearchPathA(nullptr, "KVNTUtils.dll", nullptr, MAX_PATH, dll, nullptr));
        ASSERT_TRUE(CopyFileA(dll, (folder_ + "KVNTUtils.dll").c_str(), FALSE));
    }
    void TearDown() override
    {
        if (module_)
            FreeLibrary(module_);
        for (const char* f : {"KVNTUtils.dll", "LoggedUser.txt", "KVNTUtils.journal"})
            DeleteFileA((folder_ + f).c_str());
        RemoveDirectoryA(folder_.c_str());
    }
    GetLoggedUser_t Bind()
    {
        module_ = LoadLibraryA((folder_ + "KVNTUtils.dll").c_str());
        EXPECT_NE(module_, nullptr);
        return reinterpret_cast<GetLoggedUser_t>(reinterpret_cast<void*>(GetProcAddress(module_, "GetLoggedUser")));
    }
    void Scenario(const std::string& text) { std::ofstream(folder_ + "LoggedUser.txt", std::ios::binary) << text; }
    std::string Journal()
    {
        std::ifstream in(folder_ + "KVNTUtils.journal", std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::string folder_;
    HMODULE module_ = nullptr;
};

TEST_F(ProgramFolder, AnswersFromTheScenarioFile)
{
    struct Case {
        std::string file;
        int result;
        std::string name;
    } cases[] = {
        {"Marta\r\n", 1, "Marta"},
        {"DOMAIN\\Jos\xE9 Luis\nignored second line", 1, "DOMAIN\\Jos\xE9 Luis"},
        {"!fail\r\n", 0, ""},
        {"", 0, ""},
    };
    GetLoggedUser_t get = Bind();
    ASSERT_NE(get, nullptr);
    for (const Case& c : cases) {
        Scenario(c.file);
        char buffer[KVNTUTILS_USER_BUFFER] = {};
        EXPECT_EQ(get(buffer), c.result) << c.file;
        EXPECT_EQ(std::string(buffer), c.name) << c.file;
    }
    EXPECT_EQ(Journal(), "GetLoggedUser 1 Marta (LoggedUser.txt)\r\n"
                         "GetLoggedUser 1 DOMAIN\\Jos\xE9 Luis (LoggedUser.txt)\r\n"
                         "GetLoggedUser 0 (LoggedUser.txt)\r\n"
                         "GetLoggedUser 0 (LoggedUser.txt)\r\n");
}

TEST_F(ProgramFolder, OverlongNameIsCutToTheBuffer)
{
    Scenario(std::string(6000, 'u'));
    GetLoggedUser_t get = Bind();
    char buffer[KVNTUTILS_USER_BUFFER + 16];
    memset(buffer, 0x55, sizeof buffer);
    EXPECT_EQ(get(buffer), 1);
    EXPECT_EQ(std::string(buffer), std::string(KVNTUTILS_USER_BUFFER - 1, 'u'));
    EXPECT_EQ(static_cast<unsigned char>(buffer[KVNTUTILS_USER_BUFFER]), 0x55);
}

TEST_F(ProgramFolder, WithoutScenarioAsksTheConsoleSession)
{
    GetLoggedUser_t get = Bind();
    char buffer[KVNTUTILS_USER_BUFFER] = {};
    char self[256];
    DWORD size = sizeof self;
    ASSERT_TRUE(GetUserNameA(self, &size));
    EXPECT_EQ(get(buffer), 1);
    EXPECT_STREQ(buffer, self);
    EXPECT_NE(Journal().find("(console session)"), std::string::npos);
}

} // namespace
