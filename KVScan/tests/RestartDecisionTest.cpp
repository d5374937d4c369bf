// What the end of an audit does about a restart the disinfection needs.
#include "RestartDecision.h"
#include "TessalyConfig.h"

#include <gtest/gtest.h>

namespace {

TEST(RestartDecision, PolicyMessagesAndNeed)
{
    struct Case {
        bool needed;
        int policy;
        bool messages;
        RestartAction action;
    } cases[] = {
        {false, RESTART_RESTART, true, RESTART_ACTION_NONE},
        {false, RESTART_NOTIFY, true, RESTART_ACTION_NONE},
        {true, RESTART_IGNORE, true, RESTART_ACTION_IGNORE},
        {true, RESTART_RESTART, false, RESTART_ACTION_REBOOT},
        {true, RESTART_NOTIFY, true, RESTART_ACTION_ASK},
        {true, RESTART_NOTIFY, false, RESTART_ACTION_IGNORE}, // session 0: nobody to ask
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.action, DecideRestart(c.needed, c.policy, c.messages))
            << c.needed << " " << c.policy << " " << c.messages;
}

} // namespace
