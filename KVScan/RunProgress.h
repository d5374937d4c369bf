// The run's progress file in a folder or FTP destination: the first records, the progress thread and
// the final record. One record per process; every write goes through the progress lock.
#pragma once

#include "ProgressThread.h"

#include <windows.h>

class TessalyConfig;

// The writer of the configured destination (folder when ReportsFolder is set, else FTP); nullptr when
// neither names a usable destination.
ProgressWriter ProgressWriterFor(const TessalyConfig& config);

// Fills the run's record from config with status, percentage and the current UTC time and writes it.
// In folder mode the progress of earlier runs of the same audit is removed once, before the first write.
// False when nothing was written (no destination, no instance identifier, a failed write).
bool WriteRunProgress(const TessalyConfig& config, int status, int percentage);

// Starts the progress thread on a copy of the run's last written record, rewriting it every intervalMs
// when *percentage changed. Nothing starts when no record was written (no folder or FTP destination).
void StartRunProgressThread(const TessalyConfig& config, const volatile LONG* percentage, DWORD intervalMs);

// Stops the progress thread and waits at most waitMs. True when no thread runs any more.
bool StopRunProgressThread(DWORD waitMs);

// The final record, filled from config again (whatever happened to the run's record before) with
// progressStatus and percentage. No progress write of the thread can follow it. Without an instance
// identifier nothing is written (logged) and the answer is true: there is no record to fail.
bool WriteFinalRunProgress(const TessalyConfig& config, int progressStatus, int percentage);
