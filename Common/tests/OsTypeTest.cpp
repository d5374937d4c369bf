#include "OsType.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

const DWORD NT = VER_PLATFORM_WIN32_NT;
const DWORD W9X = VER_PLATFORM_WIN32_WINDOWS;
const BYTE WS = VER_NT_WORKSTATION;
const BYTE SRV = VER_NT_SERVER;
const BYTE DC = VER_NT_DOMAIN_CONTROLLER;

std::string g_productType;
std::string ReadFakeProductType() { return g_productType; }

struct OsCase {
    const char* what;
    DWORD platform, major, minor;
    const char* csd;
    bool extendedOk;
    BYTE productType;
    WORD suite;
    const char* registryProduct; // answered when the extended query failed
    int type;
    const char* servicePack;
};

const OsCase kCases[] = {
    {"95", W9X, 4, 0, "", false, 0, 0, "", 0, ""},
    {"95 OSR1", W9X, 4, 0, " A ", false, 0, 0, "", 0, "OEM Service Release 1 (A)"},
    {"95 OSR2 B", W9X, 4, 0, "B", false, 0, 0, "", 0, "OSR2 (B)"},
    {"95 OSR2 C", W9X, 4, 0, "\tC", false, 0, 0, "", 0, "OSR2 (C)"},
    {"95 other letter kept", W9X, 4, 0, "D", false, 0, 0, "", 0, "D"},
    {"98", W9X, 4, 10, "", false, 0, 0, "", 1, ""},
    {"98 SE", W9X, 4, 10, "A", false, 0, 0, "", 1, "Second edition"},
    {"Me", W9X, 4, 90, "", false, 0, 0, "", 2, ""},
    {"9x unknown minor", W9X, 4, 50, "", false, 0, 0, "", OS_TYPE_UNKNOWN, ""},
    {"NT4 ws", NT, 4, 0, "Service Pack 6", true, WS, 0, "", 3, "Service Pack 6"},
    {"NT4 server", NT, 4, 0, "Service Pack 6a", true, SRV, 0, "", 4, "Service Pack 6a"},
    {"NT4 no ext WINNT", NT, 4, 0, "", false, 0, 0, "winnt", 3, ""},
    {"NT4 no ext SERVERNT", NT, 4, 0, "", false, 0, 0, "ServerNT", 4, ""},
    {"NT4 no ext LANMANNT", NT, 4, 0, "", false, 0, 0, "LANMANNT", 4, ""},
    {"NT4 no ext unknown", NT, 4, 0, "", false, 0, 0, "", 3, ""},
    {"2000", NT, 5, 0, "Service Pack 4", true, WS, 0, "", 5, "Service Pack 4"},
    {"2000 server", NT, 5, 0, "", true, DC, 0, "", 6, ""},
    {"2000 no ext", NT, 5, 0, "", false, 0, 0, "", 5, ""},
    {"XP pro", NT, 5, 1, "Service Pack 3", true, WS, 0x0100, "", 7, "Service Pack 3"},
    {"XP home", NT, 5, 1, "", true, WS, 0x0300, "", 8, ""},
    {"XP suite ignored without ext", NT, 5, 1, "", false, 0, 0x0200, "", 7, ""},
    {"XP x64 (5.2 workstation)", NT, 5, 2, "Service Pack 2", true, WS, 0, "", 7, "Service Pack 2"},
    {"5.2 workstation personal", NT, 5, 2, "", true, WS, 0x0200, "", 8, ""},
    {"Server 2003", NT, 5, 2, "", true, SRV, 0, "", 9, ""},
    {"Server 2003 no ext", NT, 5, 2, "", false, 0, 0, "", 9, ""},
    {"5.3 unknown", NT, 5, 3, "", true, WS, 0, "", OS_TYPE_UNKNOWN, ""},
    {"Vista", NT, 6, 0, "Service Pack 2", true, WS, 0, "", 10, "Service Pack 2"},
    {"7", NT, 6, 1, "Service Pack 1", true, WS, 0, "", 11, "Service Pack 1"},
    {"Server 2008 R2 is 7 too", NT, 6, 1, "", true, SRV, 0, "", 11, ""},
    {"6.2 counts as Vista", NT, 6, 2, "", true, WS, 0, "", 10, ""},
    {"NT 10", NT, 10, 0, "", true, WS, 0, "", OS_TYPE_UNKNOWN, ""},
    {"NT 3.51", NT, 3, 51, "", true, WS, 0, "", OS_TYPE_UNKNOWN, ""},
    {"Win32s", VER_PLATFORM_WIN32s, 3, 10, "", false, 0, 0, "", OS_TYPE_UNKNOWN, ""},
};

TEST(OsTypeTest, TypeAndServicePackFromVersionFacts)
{
    for (const OsCase& c : kCases) {
        OsVersionFacts facts;
        facts.basicOk = true;
        facts.platformId = c.platform;
        facts.major = c.major;
        facts.minor = c.minor;
        facts.csd = c.csd;
        facts.extendedOk = c.extendedOk;
        facts.productType = c.productType;
        facts.suiteMask = c.suite;
        facts.readProductType = ReadFakeProductType;
        g_productType = c.registryProduct;
        int type = -1;
        std::string servicePack = "stale";
        EXPECT_TRUE(OsTypeFromFacts(facts, type, servicePack)) << c.what;
        EXPECT_EQ(c.type, type) << c.what;
        EXPECT_EQ(c.servicePack, servicePack) << c.what;
    }
}

TEST(OsTypeTest, UnreadableVersionIsUnknownAndFails)
{
    OsVersionFacts facts;
    facts.platformId = VER_PLATFORM_WIN32_NT;
    facts.major = 6;
    facts.minor = 1;
    facts.csd = "Service Pack 1";
    int type = 7;
    std::string servicePack = "x";
    EXPECT_FALSE(OsTypeFromFacts(facts, type, servicePack));
    EXPECT_EQ(OS_TYPE_UNKNOWN, type);
    EXPECT_EQ("", servicePack);
}

TEST(OsTypeTest, NamesCoverTheTwelveTypesOnly)
{
    EXPECT_STREQ("Windows 95", OsTypeName(0));
    EXPECT_STREQ("Windows XP Professional", OsTypeName(7));
    EXPECT_STREQ("Windows XP Home Edition", OsTypeName(8));
    EXPECT_STREQ("Windows 7", OsTypeName(11));
    EXPECT_EQ(nullptr, OsTypeName(12));
    EXPECT_EQ(nullptr, OsTypeName(-1));
    EXPECT_EQ(nullptr, OsTypeName(OS_TYPE_UNKNOWN));
}

TEST(OsTypeTest, RunningSystemIsDetected)
{
    int type;
    std::string servicePack;
    ASSERT_TRUE(DetectOsType(type, servicePack));
    EXPECT_GE(type, 3);
    EXPECT_LE(type, 11);
}

} // namespace
