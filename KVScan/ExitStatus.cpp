#include "ExitStatus.h"

namespace {

struct LaunchResult {
    int status;
    int code;
};

const LaunchResult kLaunchResults[] = {
    {EXIT_AUDIT_FINISHED, 0},    {EXIT_NT4_WITHOUT_SP6, 8}, {EXIT_ANOTHER_INSTANCE, 4},
    {EXIT_REQUIREMENTS_NOT_MET, 1}, {EXIT_ADMIN_REQUIRED, 3}, {EXIT_OS_EXCLUDED, 7},
    {EXIT_COMPUTER_NOT_LISTED, 6}, {EXIT_TOO_MANY_TRIES, 2},
};

} // namespace

bool LaunchResultCode(int status, int& code)
{
    for (const LaunchResult& entry : kLaunchResults) {
        if (entry.status == status) {
            code = entry.code;
            return true;
        }
    }
    return false;
}

int ProgressStatusFor(int status)
{
    switch (status) {
    case EXIT_AUDIT_FINISHED:
        return 2;
    case EXIT_REQUIREMENTS_NOT_MET:
        return -2;
    case EXIT_SIGNATURES_MISSING:
        return -4;
    default:
        return -1;
    }
}
