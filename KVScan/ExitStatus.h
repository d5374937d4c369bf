// Exit statuses of KVScan and what they become in "launch_res.dat" and in the final progress record.
#pragma once

enum ExitStatus {
    EXIT_AUDIT_FINISHED = 0,
    EXIT_GENERAL_FAILURE = 2,
    EXIT_NT4_WITHOUT_SP6 = 3,
    EXIT_ANOTHER_INSTANCE = 4,
    EXIT_REQUIREMENTS_NOT_MET = 5,
    EXIT_NO_MUID = 3000,
    EXIT_NO_INSTANCE_ID = 3001,
    EXIT_CONFIG_NOT_FOUND = 3002,
    EXIT_CONFIG_INVALID = 3003,
    EXIT_ADMIN_REQUIRED = 3004,
    EXIT_OS_EXCLUDED = 3005,
    EXIT_COMPUTER_NOT_LISTED = 3006,
    EXIT_NO_INTERNET = 3010,
    EXIT_SIGNATURES_MISSING = 3013,
    EXIT_TOO_MANY_TRIES = 3015,
    EXIT_ANALYSIS_TIMED_OUT = 3016,
};

// The launch result code for a status; false when the status leaves no "launch_res.dat".
bool LaunchResultCode(int status, int& code);

// The progress status of the final progress record: 0 -> 2, 5 -> -2, 3013 -> -4, others -1.
int ProgressStatusFor(int status);
