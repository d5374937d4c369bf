#include "KVCripto.h"
#include "KVEReport.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

class ReportFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        folder_ = std::string(temp) + "kvereport_test_" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(folder_.c_str(), nullptr);
    }
    void TearDown() override
    {
        for (const std::string& f : Files())
            DeleteFileA((folder_ + "\\" + f).c_str());
        RemoveDirectoryA(folder_.c_str());
    }
    std::vector<std::string> Files() const
    {
        std::vector<std::string> names;
        WIN32_FIND_DATAA data;
        HANDLE find = FindFirstFileA((folder_ + "\\*").c_str(), &data);
        if (find == INVALID_HANDLE_VALUE)
            return names;
        do {
            if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                names.push_back(data.cFileName);
        } while (FindNextFileA(find, &data));
        FindClose(find);
        return names;
    }
    std::string Read(const std::string& name) const
    {
        std::ifstream in(folder_ + "\\" + name, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    static std::map<std::string, std::string> Fields(const std::string& text)
    {
        std::map<std::string, std::string> fields;
        std::istringstream in(text);
        std::string line;
        while (std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            auto eq = line.find('=');
            if (eq != std::string::npos)
                fields[line.substr(0, eq)] = line.substr(eq + 1);
        }
        return fields;
    }
    std::string folder_;
};

TEST_F(ReportFolder, PlainReportHoldsEveryArgument)
{
    KV_GenerateErrorReport("{11111111-2222-3333-4444-555555555555}", "KvScan", 3502, "Timeout executing process",
                           259, "KVPChecker Error", 0, folder_.c_str(), 0);
    std::vector<std::string> files = Files();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].rfind("ErrorReport_3502_", 0), 0u);
    auto f = Fields(Read(files[0]));
    EXPECT_EQ(f["InstanceId"], "{11111111-2222-3333-4444-555555555555}");
    EXPECT_EQ(f["Module"], "KvScan");
    EXPECT_EQ(f["Code"], "3502");
    EXPECT_EQ(f["Message"], "Timeout executing process");
    EXPECT_EQ(f["Detail"], "259");
    EXPECT_EQ(f["ExtraText"], "KVPChecker Error");
    EXPECT_EQ(f["Flag"], "0");
    EXPECT_EQ(f["Encrypted"], "0");
}

TEST_F(ReportFolder, EncryptedReportDecryptsToTheSameFields)
{
    KV_GenerateErrorReport("{A}", "KvScan", 3000, "Cannot read or create MUID.", 5, "", 1, folder_.c_str(), 1);
    std::vector<std::string> files = Files();
    ASSERT_EQ(files.size(), 1u);
    std::string sealed = Read(files[0]);
    ASSERT_NE(KV_IsEncrypted(sealed.data(), static_cast<unsigned long>(sealed.size())), 0);
    void* plain = nullptr;
    unsigned long length = 0;
    ASSERT_NE(KV_DecryptBuffer(sealed.data(), static_cast<unsigned long>(sealed.size()), &plain, &length), 0);
    auto f = Fields(std::string(static_cast<char*>(plain), length));
    KV_MemFree(plain);
    EXPECT_EQ(f["Code"], "3000");
    EXPECT_EQ(f["Message"], "Cannot read or create MUID.");
    EXPECT_EQ(f["Detail"], "5");
    EXPECT_EQ(f["Flag"], "1");
    EXPECT_EQ(f["Encrypted"], "1");
}

TEST_F(ReportFolder, EveryCallWritesItsOwnFile)
{
    for (int i = 0; i < 5; ++i)
        KV_GenerateErrorReport("{A}", "KvScan", 3503, "2 reports could not be sent", 2, nullptr, 0,
                               folder_.c_str(), 0);
    EXPECT_EQ(Files().size(), 5u);
}

TEST_F(ReportFolder, LineBreaksAndNullTextsStayInTheirFields)
{
    KV_GenerateErrorReport(nullptr, nullptr, 1, "first\r\nCode=999", 0, nullptr, 0, folder_.c_str(), 0);
    std::vector<std::string> files = Files();
    ASSERT_EQ(files.size(), 1u);
    auto f = Fields(Read(files[0]));
    EXPECT_EQ(f["Code"], "1");
    EXPECT_EQ(f["Message"], "first  Code=999");
    EXPECT_EQ(f["InstanceId"], "");
}

TEST_F(ReportFolder, MissingFolderWritesNothingAndDoesNotCrash)
{
    std::string missing = folder_ + "\\no\\such";
    KV_GenerateErrorReport("{A}", "KvScan", 2501, "Error creating initial analysis report", 0, "", 1,
                           missing.c_str(), 0);
    KV_GenerateErrorReport("{A}", "KvScan", 2501, "Error creating initial analysis report", 0, "", 1, "", 0);
    EXPECT_TRUE(Files().empty());
}

} // namespace
