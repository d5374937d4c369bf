#include "MainWindow.h"

#include <gtest/gtest.h>

namespace {

TEST(MainWindowTest, EndOfSessionAnswer)
{
    struct Case {
        bool messagesAllowed;
        bool allowShutdown;
        bool answer;
    } cases[] = {
        {true, true, true},
        {true, false, false},  // refused while the audit runs (and the box is shown)
        {false, false, true},  // session 0 on Vista and later: always allowed
        {false, true, true},
    };
    for (const Case& c : cases) {
        TessalyConfig config;
        config.messagesAllowed = c.messagesAllowed;
        config.allowSystemShutdown = c.allowShutdown;
        EXPECT_EQ(c.answer, AllowEndOfSession(config)) << c.messagesAllowed << c.allowShutdown;
        EXPECT_EQ(c.answer, config.allowSystemShutdown);
    }
}

} // namespace
