// Delivery of a folder's reports or statistics files to the upload URL, one file at a time.
#pragma once

#include <string>

#include "KVComs.h"

const unsigned long kMaxSendFileSize = 2097152; // larger files are deleted unsent

// 1: every listed file was delivered (or none was listed); 0 otherwise.
int SendReports(KVCOMS_SENDFILES* record);
int SendStatistics(KVCOMS_SENDFILES* record);

// 0: delivered; non-zero: not delivered.
int SendOneReportUrl(const std::string& fullPath, const std::string& name, KVCOMS_SENDFILES& record);
int SendOneStatisticUrl(const std::string& fullPath, const std::string& name, KVCOMS_SENDFILES& record);
