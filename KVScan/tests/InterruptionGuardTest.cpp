// The Run value that restarts an interrupted audit and the counter of starts of one audit.
#include "CommandLine.h"
#include "InterruptionGuard.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

namespace {

const wchar_t kAudit[] = L"{6B29FC40-CA47-1067-B31D-00DD010662DA}";
const wchar_t kOtherAudit[] = L"{00112233-4455-6677-8899-AABBCCDDEEFF}";

// The guard's keys below a scratch key of the current user, removed afterwards.
class GuardRegistry : public ::testing::Test {
protected:
    void SetUp() override
    {
        scratch_ = "Software\\KVScanTests\\Guard" + std::to_string(GetCurrentProcessId());
        RegDeleteTreeA(HKEY_CURRENT_USER, scratch_.c_str());
        keys_.root = HKEY_CURRENT_USER;
        keys_.runKey = scratch_ + "\\Run";
        keys_.tessalyKey = scratch_ + "\\Tessaly";
    }
    void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, scratch_.c_str()); }

    bool Read(const std::string& key, const char* name, DWORD& type, std::vector<BYTE>& data)
    {
        BYTE buffer[1024];
        DWORD size = sizeof(buffer);
        if (RegGetValueA(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_ANY | RRF_NOEXPAND, &type, buffer, &size) !=
            ERROR_SUCCESS)
            return false;
        data.assign(buffer, buffer + size);
        return true;
    }
    bool Has(const std::string& key, const char* name)
    {
        DWORD type;
        std::vector<BYTE> data;
        return Read(key, name, type, data);
    }
    void SeedTries(DWORD tries, const wchar_t* audit)
    {
        HKEY key;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, keys_.tessalyKey.c_str(), 0, nullptr, 0,
                                                 KEY_SET_VALUE, nullptr, &key, nullptr));
        RegSetValueExA(key, kTriesValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&tries), sizeof(tries));
        if (audit)
            RegSetValueExW(key, L"TriesAuditGUID", 0, REG_SZ, reinterpret_cast<const BYTE*>(audit),
                           static_cast<DWORD>((wcslen(audit) + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
    }
    DWORD StoredTries()
    {
        DWORD type = 0;
        std::vector<BYTE> data;
        if (!Read(keys_.tessalyKey, kTriesValue, type, data) || type != REG_DWORD || data.size() != 4)
            return 0;
        return *reinterpret_cast<const DWORD*>(data.data());
    }
    std::wstring StoredAudit()
    {
        wchar_t text[64] = {};
        DWORD size = sizeof(text);
        if (RegGetValueW(HKEY_CURRENT_USER, std::wstring(keys_.tessalyKey.begin(), keys_.tessalyKey.end()).c_str(),
                         L"TriesAuditGUID", RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS)
            return L"";
        return text;
    }

    std::string scratch_;
    GuardKeys keys_;
};

TEST_F(GuardRegistry, StartsAreCountedPerAudit)
{
    struct Case {
        const char* name;
        bool seeded;
        DWORD tries;
        const wchar_t* audit; // stored beside "Tries"; nullptr: a counter without its audit
        int expected;
    } cases[] = {
        {"first start", false, 0, nullptr, 1},
        {"second start", true, 1, kAudit, 2},
        {"third start", true, 2, kAudit, 3},
        {"guid compared without case", true, 2, L"{6b29fc40-ca47-1067-b31d-00dd010662da}", 3},
        {"fourth start", true, 3, kAudit, 4},
        {"counter at the top of the range", true, 0xFFFFFFFFu, kAudit, 4},
        {"counter of another audit", true, 3, kOtherAudit, 1},
        {"counter without its audit", true, 3, nullptr, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RegDeleteTreeA(HKEY_CURRENT_USER, scratch_.c_str());
        SetRestartCommand(keys_, "\"C:\\KV\\KVScan.exe\"");
        if (c.seeded)
            SeedTries(c.tries, c.audit);

        EXPECT_EQ(c.expected, CountStart(keys_, kAudit));

        if (c.expected > MAX_AUDIT_TRIES) {
            // The run gives up: nothing is left that would start it again.
            EXPECT_FALSE(Has(keys_.runKey, kRunValueScanner));
            EXPECT_FALSE(Has(keys_.tessalyKey, kTriesValue));
            EXPECT_FALSE(Has(keys_.tessalyKey, kTriesAuditValue));
        } else {
            EXPECT_EQ(static_cast<DWORD>(c.expected), StoredTries());
            EXPECT_EQ(std::wstring(kAudit), StoredAudit());
            EXPECT_TRUE(Has(keys_.runKey, kRunValueScanner));
        }
    }
}

TEST_F(GuardRegistry, RemoveGuardLeavesNothing)
{
    SetRestartCommand(keys_, "\"C:\\KV\\KVScan.exe\"");
    CountStart(keys_, kAudit);
    RemoveGuard(keys_);
    EXPECT_FALSE(Has(keys_.runKey, kRunValueScanner));
    EXPECT_FALSE(Has(keys_.tessalyKey, kTriesValue));
    EXPECT_FALSE(Has(keys_.tessalyKey, kTriesAuditValue));
}

TEST_F(GuardRegistry, RunValueHoldsTheCommandWithoutTerminator)
{
    const std::string command = "\"C:\\Audit Folder\\KVScan.exe\" /noclean /onlysend";
    SetRestartCommand(keys_, command);
    DWORD type = 0;
    std::vector<BYTE> data;
    ASSERT_TRUE(Read(keys_.runKey, kRunValueScanner, type, data));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_EQ(command, std::string(data.begin(), data.end()).c_str());
}

// The command, read back by the scanner's own command line, starts the same run again.
TEST(RestartCommand, QuotedPathAndSwitchesSurviveTheCommandLine)
{
    struct Case {
        const char* folder;
        bool noClean;
        const char* configFile;
        bool onlySend;
        const char* command;
    } cases[] = {
        {"C:\\KV", false, "", false, "\"C:\\KV\\KVScan.exe\""},
        {"C:\\Program Files\\Audit", true, "", false, "\"C:\\Program Files\\Audit\\KVScan.exe\" /noclean"},
        {"C:\\Program Files\\Audit", false, "D:\\my cfg\\audit.ini", false,
         "\"C:\\Program Files\\Audit\\KVScan.exe\" /cfgfile:\"D:\\my cfg\\audit.ini\""},
        {"C:\\A B", true, "C:\\c.ini", true, "\"C:\\A B\\KVScan.exe\" /noclean /cfgfile:\"C:\\c.ini\" /onlysend"},
    };
    for (const Case& c : cases) {
        const std::string command = RestartCommand(c.folder, c.noClean, c.configFile, c.onlySend);
        EXPECT_EQ(c.command, command);

        std::wstring line(command.begin(), command.end());
        std::vector<wchar_t> buffer(line.begin(), line.end());
        buffer.push_back(0);
        wchar_t* tokens[MAX_COMMAND_TOKENS];
        int count = TokenizeCommandLine(buffer.data(), tokens, MAX_COMMAND_TOKENS);
        ASSERT_GE(count, 1);
        EXPECT_EQ(std::string(c.folder) + "\\KVScan.exe", std::string(tokens[0], tokens[0] + wcslen(tokens[0])));
        CommandSwitches switches = ParseSwitches(tokens, count);
        EXPECT_EQ(c.noClean, switches.noClean) << command;
        EXPECT_EQ(c.onlySend, switches.onlySend) << command;
        std::wstring path;
        if (*c.configFile) {
            ASSERT_TRUE(switches.haveArgument) << command;
            ASSERT_TRUE(ConfigFileArgument(switches.argument, path)) << command;
            EXPECT_EQ(std::string(c.configFile), std::string(path.begin(), path.end()));
        } else {
            EXPECT_FALSE(switches.haveArgument) << command;
        }
    }
}

} // namespace
