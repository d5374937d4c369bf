// The end of an audit that needs a restart of the computer to complete a disinfection: the cleaner is
// arranged for the next logon, and the machine is restarted, or not, as OnRestartNeeded says.
#pragma once

#include <string>

class TessalyConfig;
struct GuardKeys;

enum RestartAction {
    RESTART_ACTION_NONE = 0, // no restart needed
    RESTART_ACTION_IGNORE = 1,
    RESTART_ACTION_REBOOT = 2,
    RESTART_ACTION_ASK = 3, // ask the user
};

// policy: RESTART_NOTIFY / RESTART_RESTART / RESTART_IGNORE of the configuration. Asking is not possible
// without messages (session 0, stealth): it becomes Ignore.
RestartAction DecideRestart(bool restartNeeded, int policy, bool messagesAllowed);

// When a restart is needed and the files may be cleaned: logs, sets the no-clean flag (the cleaner removes
// the files after the restart) and the Run value "KVClean" = the program folder + "\KVClean.exe".
// Returns whether it did so.
bool ArrangeCleanAfterRestart(TessalyConfig& config, bool restartNeeded, const GuardKeys& keys);

// Carries out the decision (the message box for ASK, the reboot request); never ends the process.
void CarryOutRestart(TessalyConfig& config, RestartAction action);
