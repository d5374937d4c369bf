// The sent-suspicious list "KVSusSent.dat" in the Windows folder: one line per sample the quarantine
// delivery has handed over, beginning with the sample's MD5 in 32 hexadecimal digits. Only read here.
#pragma once

#include <string>

enum SentListResult { SENT_LIST_UNREADABLE = 0, SENT_LIST_LISTED = 1, SENT_LIST_NOT_LISTED = 2 };

// GetWindowsDirectory + "\KVSusSent.dat".
std::wstring SentSuspiciousListPath();
// Compares the first 32 characters of each line (lines up to 1024 bytes) without regard to case.
SentListResult IsSentSuspicious(const std::string& md5Hex);
