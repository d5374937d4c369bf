// The HTTP upload transport: one multipart POST per file, judged by the server's answer.
// Every upload returns 0 when the file was delivered and accepted, 1 otherwise.
#pragma once

#include <stdint.h>

#include <string>

#include "KVComs.h"

// What an upload takes from the caller's record: each record type passes its own fields.
struct UploadTarget {
    const char* url;
    const char* filePath;  // full local path; also sent as the part's filename
    const char* agent;
    const KVCOMS_PROXY* proxy;
    uint32_t* lastError;   // 17 size echo differs, 18 status not 200
};

enum UploadKind { UPLOAD_REPORT, UPLOAD_STATISTIC, UPLOAD_SUSPICIOUS, UPLOAD_SUSPICIOUS_QEM };

int UploadReportHttpWininet(const UploadTarget& target);
int UploadStatisticHttpWininet(const UploadTarget& target);
// md5Text empty: the file part is unnamed and an "NQER" part holding "1" follows; otherwise the
// file part is "Report" and an "MD5" part follows (QEM also a "ProductType" part).
int UploadReportHttpSuspiciousWininet(const UploadTarget& target, const std::string& md5Text, bool checkSizeEcho);
int UploadReportHttpSuspiciousQEMWininet(const UploadTarget& target, const std::string& md5Text,
                                         bool checkSizeEcho);

// The multipart body of one upload (exposed for tests).
std::string BuildUploadBody(UploadKind kind, const std::string& boundary, const std::string& filePath,
                            const std::string& mime, const std::string& fileBytes, const std::string& md5Text);

// Bound on the sends of one request when the HTTP layer asks for a resend (error 12032).
const int kMaxSendTries = 5;
