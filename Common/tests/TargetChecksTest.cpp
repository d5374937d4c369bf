#include "OsType.h"
#include "SystemFacts.h"
#include "TestLog.h"

#include <gtest/gtest.h>

namespace {

TEST(TargetChecksTest, OsExclusionList)
{
    TessalyConfig config;
    EXPECT_FALSE(IsOsExcluded(config, OS_WIN7)) << "empty list excludes nothing";
    config.excludeOs = {L"windows xp professional", L"Windows 7", L"Windows 2000 Server"};
    EXPECT_TRUE(IsOsExcluded(config, OS_XP_PROFESSIONAL));
    EXPECT_TRUE(IsOsExcluded(config, OS_WIN7));
    EXPECT_FALSE(IsOsExcluded(config, OS_XP_HOME));
    EXPECT_FALSE(IsOsExcluded(config, OS_WIN2000));
    EXPECT_FALSE(IsOsExcluded(config, OS_TYPE_UNKNOWN));
    EXPECT_FALSE(IsOsExcluded(config, 12));
}

TEST(TargetChecksTest, ComputerList)
{
    TessalyConfig config;
    EXPECT_TRUE(IsComputerIncluded(config, L"ANY"));
    config.computerList = {L"Alpha", L"BETA-PC"};
    EXPECT_TRUE(IsComputerIncluded(config, L"ALPHA"));
    EXPECT_TRUE(IsComputerIncluded(config, L"beta-pc"));
    EXPECT_FALSE(IsComputerIncluded(config, L"ALPHA2"));
    EXPECT_FALSE(IsComputerIncluded(config, L""));
}

TEST(TargetChecksTest, Nt4NeedsServicePack6AndVistaSessionZeroAllowsNoMessages)
{
    struct Case {
        int type;
        const char* servicePack;
        int session;
        int result;
        bool messages;
        bool ntFamily;
    } cases[] = {
        {OS_NT4, "Service Pack 6", -1, 0, true, true},
        {OS_NT4_SERVER, "service pack 6", -1, 0, true, true},
        {OS_NT4, "Service Pack 6a", -1, 4, true, true},
        {OS_NT4, "", -1, 4, true, true},
        {OS_WIN98, "", -1, 0, true, false},
        {OS_XP_PROFESSIONAL, "", 0, 0, true, true}, // the session matters from Vista on only
        {OS_WIN7, "Service Pack 1", 0, 0, false, true},
        {OS_VISTA, "", 1, 0, true, true},
        {OS_WIN7, "", -1, 0, true, true},
    };
    for (const Case& c : cases) {
        TessalyConfig config;
        EXPECT_EQ(c.result, ApplyOsFacts(config, c.type, c.servicePack, c.session)) << c.type << c.servicePack;
        EXPECT_EQ(c.type, config.osType);
        EXPECT_EQ(c.messages, config.messagesAllowed) << c.type;
        EXPECT_EQ(c.ntFamily, config.isNtFamily) << c.type;
    }
}

TEST(TargetChecksTest, ComputerNameAndSessionOfThisProcess)
{
    TessalyConfig config;
    EXPECT_EQ(0, GetComputerData(config));
    char name[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD size = sizeof(name);
    ASSERT_TRUE(GetComputerNameA(name, &size));
    EXPECT_EQ(name, config.computerNameA);
    EXPECT_EQ(config.computerNameA.size(), config.computerName.size());
    EXPECT_GE(GetSessionId(), 0);
}

} // namespace
