// Writing the progress file into a folder destination and removing an earlier run's leftovers.
#pragma once

#include "ProgressRecord.h"

#include <string>

// Writes record (1352 bytes, replacing) as destination + "\" + instance identifier + ".dat", creating
// the destination level by level. 0 success, 1 failure (no destination, no instance identifier, open
// failure or short write). Every progress write of the process goes through one lock.
int WriteProgressFolder(const ProgressRecord& record);

// Before the first write of a run: deletes the progress files of earlier runs of the same audit on the
// same machine (same AuditGUID and progress identifier) and their run folders. Only files of exactly
// 1352 bytes with a well-formed record are looked at, and only a run folder named by a braced GUID that
// is not this run's is removed. 0 after the listing; 1 when the destination cannot be listed.
int RemoveStaleProgress(const ProgressRecord& record);

// The lock taken around every write of the progress file (folder and FTP alike).
void LockProgressWrites();
void UnlockProgressWrites();
