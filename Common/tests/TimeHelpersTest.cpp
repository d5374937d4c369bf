#include "Process.h"
#include "TestFiles.h"
#include "TextHelpers.h"
#include "TimeHelpers.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

const time_t kSummerNoonUtc = 1782907200; // 2026-07-01 12:00:00 UTC
const time_t kWinterNoonUtc = 1768478400; // 2026-01-15 12:00:00 UTC

// Runs in a child started with TZ set: the zone is the program's from its start, as on a PC. (Under
// Wine, a zone changed inside a running program gets the offset but never daylight time.)
TEST(TimeHelpers, ZoneChild)
{
    const char* out = getenv("KV_ZONE_OUT");
    if (!out || !*out)
        GTEST_SKIP() << "only started by LocalTimeIsoEastAndWestOfUtc";
    std::string summer, winter;
    ASSERT_EQ(LocalTimeIso(kSummerNoonUtc, summer), 0);
    ASSERT_EQ(LocalTimeIso(kWinterNoonUtc, winter), 0);
    WriteBytes(ToWide(std::string(out)), summer + "\n" + winter);
}

TEST(TimeHelpers, LocalTimeIsoEastAndWestOfUtc)
{
    const struct {
        const wchar_t* zone;
        const char* expected; // summer, then winter
    } cases[] = {
        {L"CET-1CEST", "2026-07-01T14:00:00+02:00\n2026-01-15T13:00:00+01:00"},
        {L"EST5EDT", "2026-07-01T08:00:00-04:00\n2026-01-15T07:00:00-05:00"},
        {L"IST-5:30", "2026-07-01T17:30:00+05:30\n2026-01-15T17:30:00+05:30"},
        {L"GMT0", "2026-07-01T12:00:00+00:00\n2026-01-15T12:00:00+00:00"},
    };
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring folder = TestFolder(L"zones");
    std::wstring out = folder + L"\\local.txt";
    for (const auto& c : cases) {
        DeleteFileW(out.c_str());
        SetEnvironmentVariableW(L"TZ", c.zone);
        SetEnvironmentVariableW(L"KV_ZONE_OUT", out.c_str());
        DWORD code = 99;
        bool started = RunAndWait((L"\"" + std::wstring(self) + L"\" --gtest_filter=TimeHelpers.ZoneChild").c_str(), &code);
        SetEnvironmentVariableW(L"TZ", nullptr);
        SetEnvironmentVariableW(L"KV_ZONE_OUT", nullptr);
        ASSERT_TRUE(started);
        EXPECT_EQ(code, 0u) << ToNarrow(std::wstring(c.zone));
        EXPECT_EQ(ReadBytes(out), c.expected) << ToNarrow(std::wstring(c.zone));
    }
    RemoveTree(folder);
}

TEST(TimeHelpers, UtcTimeIso)
{
    const struct {
        time_t when;
        const char* expected;
    } cases[] = {
        {0, "1970-01-01T00:00:00+00:00"},
        {kSummerNoonUtc, "2026-07-01T12:00:00+00:00"},
        {951782400 + 86399, "2000-02-29T23:59:59+00:00"},
    };
    for (const auto& c : cases) {
        std::string text;
        ASSERT_EQ(UtcTimeIso(c.when, text), 0);
        EXPECT_EQ(text, c.expected);
    }
    std::string text = "stale";
    EXPECT_NE(UtcTimeIso(static_cast<time_t>(-1), text), 0);
    EXPECT_EQ(text, "");
}

TEST(TimeHelpers, FileTimeToUnix)
{
    FILETIME epoch = {0xD53E8000u, 0x019DB1DEu}; // 116444736000000000
    EXPECT_EQ(FileTimeToUnix(epoch), 0);
    ULARGE_INTEGER later;
    later.QuadPart = 116444736000000000ULL + static_cast<unsigned long long>(kSummerNoonUtc) * 10000000ULL + 9999999;
    FILETIME summer = {later.LowPart, later.HighPart};
    EXPECT_EQ(FileTimeToUnix(summer), kSummerNoonUtc);
}

} // namespace
