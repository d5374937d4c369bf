// Steps of the audit work thread that belong to pieces of KVScan still to come: the connection test, the
// destination and progress file of the folder and FTP transports, the statistics library, the boot-time
// driver and the progress window. Each is called at its place in the run already; until its piece
// exists it logs that it is not available and answers failure where an answer is expected.
#pragma once

#include "Delivery.h"

class TessalyConfig;

// Files left for deletion by an earlier restart.
void CleanPendingFileOperations(TessalyConfig& config);

// The connection test of URL mode; true when the audit server can be reached.
bool TestConnection(TessalyConfig& config, void* instance);

// Folder mode: the destination folder of this run; FTP mode: the FTP destination. resendRun: only
// missing levels are created, nothing that an earlier run delivered is emptied.
bool PrepareDestination(TessalyConfig& config, DeliveryMode mode, bool resendRun);

// The progress record (status 0 starting, 1 running) written or uploaded to the destination.
bool WriteProgressRecord(TessalyConfig& config, int progressStatus, int percentage);
void StartProgressThread(TessalyConfig& config);

// The statistics library: start (KVSTAT_Initialize), then after the programs the statistics document into
// the statistics folder and the library's end. statisticsUrlKnown: the signature file named where
// statistics go.
void StartStatistics(TessalyConfig& config);
void WriteStatisticsDocument(TessalyConfig& config, bool& statisticsUrlKnown);
// The resend run: the library read only for the signature file's statistics configuration.
void ReadStatisticsConfiguration(TessalyConfig& config, bool& statisticsUrlKnown);

// The boot-time driver of disinfection mode; the install result is logged by the caller.
int InstallBootDriver(TessalyConfig& config);
void RemoveBootDriver(TessalyConfig& config);

// The progress window is asked to close (delivery goes on in the background).
void CloseProgressWindow();
