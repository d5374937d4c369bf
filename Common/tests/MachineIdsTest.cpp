#include "MachineIds.h"
#include "TestLog.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>

namespace {

const char kAuidA[] = "11111111-2222-3333-4444-555555555555";
const char kAuidB[] = "aaaaaaaa-bbbb-cccc-dddd-eeeeeeeeeeee";

// A scratch registry root below HKCU standing in for HKLM.
class MachineIdsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        name_ = "Software\\KvMachineIdsTest" + std::to_string(GetCurrentProcessId());
        RegDeleteTreeA(HKEY_CURRENT_USER, name_.c_str());
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, name_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                                 nullptr, &root_, nullptr));
    }
    void TearDown() override
    {
        RegCloseKey(root_);
        RegDeleteTreeA(HKEY_CURRENT_USER, name_.c_str());
    }
    std::string Read(const char* key, const char* value)
    {
        std::string text;
        return ReadGuidValue(root_, key, value, text) ? text : std::string("<missing>");
    }
    void Write(const char* key, const char* value, const std::string& text)
    {
        ASSERT_TRUE(WriteGuidValue(root_, key, value, text));
    }

    HKEY root_ = nullptr;
    std::string name_;
    TessalyConfig config_;
};

bool IsGuidText(const std::string& text)
{
    if (text.size() != 36)
        return false;
    for (size_t i = 0; i < text.size(); ++i) {
        bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash ? text[i] != '-' : !isxdigit(static_cast<unsigned char>(text[i])) || isupper(text[i]))
            return false;
    }
    return true;
}

TEST_F(MachineIdsTest, MuidIsCreatedUnderSetupOnceAndThenReused)
{
    std::string first, second;
    ASSERT_EQ(0, ReadOrCreateMuid(config_, first, root_));
    std::string stored = Read(kUidsSetupKey, "MUID");
    EXPECT_TRUE(IsGuidText(stored)) << stored;
    EXPECT_EQ("{" + stored + "}", first);
    EXPECT_EQ("<missing>", Read(kUidsSetupExKey, "MUID"));
    ASSERT_EQ(0, ReadOrCreateMuid(config_, second, root_));
    EXPECT_EQ(first, second);
}

TEST_F(MachineIdsTest, MuidOnlyUnderSetupExIsReusedWithoutWritingSetup)
{
    Write(kUidsSetupExKey, "MUID", kAuidB);
    std::string muid;
    ASSERT_EQ(0, ReadOrCreateMuid(config_, muid, root_));
    EXPECT_EQ(std::string("{") + kAuidB + "}", muid);
    EXPECT_EQ("<missing>", Read(kUidsSetupKey, "MUID"));
}

TEST_F(MachineIdsTest, SetupMuidWinsOverSetupEx)
{
    Write(kUidsSetupKey, "MUID", kAuidA);
    Write(kUidsSetupExKey, "MUID", kAuidB);
    std::string muid;
    ASSERT_EQ(0, ReadOrCreateMuid(config_, muid, root_));
    EXPECT_EQ(std::string("{") + kAuidA + "}", muid);
}

TEST_F(MachineIdsTest, MuidThatCannotBeWrittenFailsWithLogLine)
{
    // A root that is gone: nothing can be read or created below it.
    HKEY gone;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, name_.c_str(), 0, KEY_READ, &gone));
    RegCloseKey(gone);
    TestLog log;
    std::string muid = "unchanged";
    EXPECT_EQ(15, ReadOrCreateMuid(config_, muid, gone));
    EXPECT_EQ("unchanged", muid);
    auto messages = log.Messages("MachineIds.cpp");
    EXPECT_NE(messages.end(), std::find(messages.begin(), messages.end(), "Cannot read or create MUID"));
}

TEST_F(MachineIdsTest, NewInstanceIdGoesUnderBothKeys)
{
    ASSERT_EQ(0, CreateInstanceId(config_, root_));
    std::string stored = Read(kTessalyKey, "LASTAUID");
    EXPECT_TRUE(IsGuidText(stored)) << stored;
    EXPECT_EQ(stored, Read(kUidsSetupExKey, "LASTAUID"));
    EXPECT_EQ("{" + stored + "}", config_.instanceId);
}

TEST_F(MachineIdsTest, InterruptedRunKeepsItsInstanceId)
{
    Write(kTessalyKey, "LASTAUID", kAuidA);
    Write(kUidsSetupExKey, "LASTAUID", kAuidB);
    ASSERT_EQ(0, CreateInstanceId(config_, root_));
    EXPECT_EQ(std::string("{") + kAuidA + "}", config_.instanceId);
    EXPECT_EQ(kAuidA, Read(kUidsSetupExKey, "LASTAUID"));
}

TEST_F(MachineIdsTest, CleanExitGivesTheNextRunANewId)
{
    ASSERT_EQ(0, CreateInstanceId(config_, root_));
    std::string first = config_.instanceId;
    RemoveInstanceId(root_);
    EXPECT_EQ("<missing>", Read(kTessalyKey, "LASTAUID"));
    EXPECT_EQ("<missing>", Read(kUidsSetupExKey, "LASTAUID"));
    ASSERT_EQ(0, CreateInstanceId(config_, root_));
    EXPECT_NE(first, config_.instanceId);
}

TEST_F(MachineIdsTest, RemovalRules)
{
    struct Case {
        const char* what;
        const char* setupEx; // null: missing
        const char* tessaly;
        bool setupExLeft;
    };
    const std::string upperA = "11111111-2222-3333-4444-555555555555";
    const Case cases[] = {
        {"same run", kAuidA, kAuidA, false},
        {"another run's SetupEx value stays", kAuidB, kAuidA, true},
        {"no Tessaly value: SetupEx goes", kAuidB, nullptr, false},
        {"only Tessaly", nullptr, kAuidA, false},
        {"nothing", nullptr, nullptr, false},
    };
    for (const Case& c : cases) {
        RegDeleteTreeA(root_, "Software");
        RegDeleteTreeA(root_, "SOFTWARE");
        if (c.setupEx)
            Write(kUidsSetupExKey, "LASTAUID", c.setupEx);
        if (c.tessaly)
            Write(kTessalyKey, "LASTAUID", c.tessaly);
        RemoveInstanceId(root_);
        EXPECT_EQ("<missing>", Read(kTessalyKey, "LASTAUID")) << c.what;
        EXPECT_EQ(c.setupExLeft ? std::string(c.setupEx) : "<missing>", Read(kUidsSetupExKey, "LASTAUID")) << c.what;
    }
}

} // namespace
