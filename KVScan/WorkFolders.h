// The five work folders of an audit: absolute names, creation and emptying, and the access that the
// programs running under other accounts need.
#pragma once

#include <string>

class TessalyConfig;

enum WorkFolderIndex {
    FOLDER_REPORT = 0,
    FOLDER_QUARANTINE = 1,
    FOLDER_SUSPICIOUS = 2,
    FOLDER_STATISTIC = 3,
    FOLDER_FILTERED = 4,
    FOLDER_COUNT = 5
};

// The configuration field of each folder, in the order they are prepared.
std::wstring& WorkFolder(TessalyConfig& config, int index);
const std::wstring& WorkFolder(const TessalyConfig& config, int index);

// Makes the five names absolute against the program folder. An empty name stays empty (that folder is
// not used).
void MakeWorkFoldersAbsolute(TessalyConfig& config);

// Creates and empties each folder in order, logging "Trying to create and/or cleaning the <Name> [%s]".
// onlyMissing: a folder that exists is left as it is (the resend run keeps what the earlier run left).
// An empty name, or one naming the program folder itself, is skipped and logged (emptying it would delete
// the programs). Returns 0, or 2 after logging "Unknown error creating and/or cleaning the <Name> [%s]".
int PrepareWorkFolders(const TessalyConfig& config, bool onlyMissing);

// Everyone may modify the contents of the work folders (the mail scanner writes there from the user's
// session) and may delete the program folder's files (the cleaner runs as the logged-on user), but gets
// no right to write or replace the programs. 0 success, otherwise the system error.
unsigned long AllowEveryoneWorkAccess(const TessalyConfig& config);
