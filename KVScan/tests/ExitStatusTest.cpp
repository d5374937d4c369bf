#include "ExitStatus.h"

#include <gtest/gtest.h>

namespace {

TEST(ExitStatusTest, LaunchResultCodesAndProgressStatuses)
{
    const int none = -100;
    struct Case {
        int status;
        int launchResult;
        int progress;
    } cases[] = {
        {0, 0, 2},       {2, none, -1},    {3, 8, -1},      {4, 4, -1},      {5, 1, -2},      {3000, none, -1},
        {3001, none, -1}, {3002, none, -1}, {3003, none, -1}, {3004, 3, -1},   {3005, 7, -1},   {3006, 6, -1},
        {3010, none, -1}, {3013, none, -4}, {3015, 2, -1},   {3016, none, -1}, {1, none, -1},   {-1, none, -1},
    };
    for (const Case& c : cases) {
        int code = none;
        bool written = LaunchResultCode(c.status, code);
        EXPECT_EQ(c.launchResult != none, written) << c.status;
        EXPECT_EQ(c.launchResult, written ? code : none) << c.status;
        EXPECT_EQ(c.progress, ProgressStatusFor(c.status)) << c.status;
    }
}

} // namespace
