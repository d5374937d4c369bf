// KVComs.dll: delivery of the audit's files to the audit server and its services. Every export takes
// one caller-owned record, works synchronously on the caller's thread and returns a 32-bit integer.
// Exports are stdcall under plain names (KVComs.def). The records are fixed layouts shared with the
// callers: zero-fill the whole record, copy each text with at most 259 characters.
#pragma once

#include <stddef.h>
#include <stdint.h>

#define KVCOMS_API __stdcall
#define KVCOMS_TEXT 260

#ifdef __cplusplus
extern "C" {
#endif

typedef struct KVCOMS_PROXY {
    char host[KVCOMS_TEXT]; // empty: no proxy
    char port[KVCOMS_TEXT]; // decimal text
    char user[KVCOMS_TEXT];
    char password[KVCOMS_TEXT];
} KVCOMS_PROXY;

// KVCOMS_SendReports and KVCOMS_SendStatistics. The statistics export never reads excludedName, so a
// caller may hand it a record that ends before that field.
typedef struct KVCOMS_SENDFILES {
    char folder[KVCOMS_TEXT];
    char url[KVCOMS_TEXT];
    char agent[KVCOMS_TEXT];
    KVCOMS_PROXY proxy;
    uint32_t deleteAfterSend;
    uint32_t sentCount;   // out
    uint32_t failedCount; // out
    uint32_t lastError;   // out: 0, 11, 17, 18 or 19
    char excludedName[KVCOMS_TEXT];
} KVCOMS_SENDFILES;

enum {
    KVCOMS_ERR_NONE = 0,
    KVCOMS_ERR_EMPTY_NAME = 11,
    KVCOMS_ERR_SIZE_ECHO = 17,
    KVCOMS_ERR_HTTP_STATUS = 18,
    KVCOMS_ERR_FOLDER = 19
};

typedef struct KVCOMS_SUSPICIOUS {
    char folder[KVCOMS_TEXT];
    char vlmUrl[KVCOMS_TEXT];
    char suspiciousUrl[KVCOMS_TEXT];
    char agent[KVCOMS_TEXT];
    uint32_t removeAfterSend;
    KVCOMS_PROXY proxy;
    uint32_t samplesSent;  // out
    uint32_t failedCount;  // out
    uint32_t skippedCount; // out
    uint32_t spare[2];     // out
    uint32_t lastError;    // out
    char elementName[KVCOMS_TEXT]; // KVCOMS_SendOneSuspicious only
} KVCOMS_SUSPICIOUS;

typedef struct KVCOMS_SUSPICIOUS_QEM {
    char folder[KVCOMS_TEXT];
    char vlmUrl[KVCOMS_TEXT];
    char suspiciousUrl[KVCOMS_TEXT];
    char agent[KVCOMS_TEXT];
    uint32_t removeAfterSend;
    uint32_t deleteFailed;
    KVCOMS_PROXY proxy;
    char clientId[32];
    char appRefVersion[32];
    char clientVersion[11];
    char userName[33];
    uint32_t processedCount;  // out
    uint32_t failedCount;     // out
    uint32_t spare[2];        // out
    uint32_t qesqFailedCount; // out
    uint32_t lastError;       // out
    char elementQeid[KVCOMS_TEXT]; // KVCOMS_SendOneSuspiciousQEM only
} KVCOMS_SUSPICIOUS_QEM;

enum { KVCOMS_CONN_NONE = 0, KVCOMS_CONN_DIRECT = 1, KVCOMS_CONN_PROXY = 2 };

typedef struct KVCOMS_CONNECTIONTEST {
    char url[KVCOMS_TEXT];
    char agent[KVCOMS_TEXT];
    uint8_t tryProxy;
    uint8_t tryDirect;
    KVCOMS_PROXY proxy;
    uint32_t connectionType; // out
} KVCOMS_CONNECTIONTEST;

typedef int(KVCOMS_API* KVCOMS_PROGRESS)(int percent);

typedef struct KVCOMS_SIGUPDATE {
    char sigPath[KVCOMS_TEXT];
    char url[KVCOMS_TEXT];
    char user[KVCOMS_TEXT];
    char password[KVCOMS_TEXT];
    char agent[KVCOMS_TEXT];
    KVCOMS_PROXY proxy;
    KVCOMS_PROGRESS progress;
    uint32_t reserved;
} KVCOMS_SIGUPDATE;

typedef struct KVCOMS_FILTEREDANSWER {
    uint8_t answered;
    uint32_t digest;
    uint32_t category;
    uint32_t subCategory;
    uint32_t property17;
    uint32_t property14;
} KVCOMS_FILTEREDANSWER;

typedef void(KVCOMS_API* KVCOMS_ANSWER)(const KVCOMS_FILTEREDANSWER* answer);

typedef struct KVCOMS_FILTEREDCHECK {
    const uint8_t* digests; // consecutive 16-byte MD5 digests
    uint32_t digestsSize;
    KVCOMS_PROXY proxy;
    KVCOMS_ANSWER answer;
} KVCOMS_FILTEREDCHECK;

#ifdef __cplusplus
}
#endif

#ifdef __cplusplus
static_assert(sizeof(KVCOMS_PROXY) == 1040, "four texts");
static_assert(offsetof(KVCOMS_SENDFILES, proxy) == 780, "proxy after three texts");
static_assert(offsetof(KVCOMS_SENDFILES, deleteAfterSend) == 1820, "deleteAfterSend");
static_assert(offsetof(KVCOMS_SENDFILES, sentCount) == 1824, "sentCount");
static_assert(offsetof(KVCOMS_SENDFILES, lastError) == 1832, "lastError");
static_assert(offsetof(KVCOMS_SENDFILES, excludedName) == 1836, "the statistics record ends here");
static_assert(sizeof(KVCOMS_SENDFILES) == 2096, "reports record");
static_assert(offsetof(KVCOMS_SUSPICIOUS, removeAfterSend) == 1040, "removeAfterSend");
static_assert(offsetof(KVCOMS_SUSPICIOUS, proxy) == 1044, "proxy");
static_assert(offsetof(KVCOMS_SUSPICIOUS, samplesSent) == 2084, "samplesSent");
static_assert(offsetof(KVCOMS_SUSPICIOUS, skippedCount) == 2092, "skippedCount");
static_assert(offsetof(KVCOMS_SUSPICIOUS, lastError) == 2104, "lastError");
static_assert(offsetof(KVCOMS_SUSPICIOUS, elementName) == 2108, "elementName");
static_assert(sizeof(KVCOMS_SUSPICIOUS) == 2368, "suspicious record");
static_assert(offsetof(KVCOMS_SUSPICIOUS_QEM, proxy) == 1048, "proxy");
static_assert(offsetof(KVCOMS_SUSPICIOUS_QEM, clientId) == 2088, "clientId");
static_assert(offsetof(KVCOMS_SUSPICIOUS_QEM, userName) == 2163, "userName");
static_assert(offsetof(KVCOMS_SUSPICIOUS_QEM, processedCount) == 2196, "processedCount");
static_assert(offsetof(KVCOMS_SUSPICIOUS_QEM, qesqFailedCount) == 2212, "qesqFailedCount");
static_assert(offsetof(KVCOMS_SUSPICIOUS_QEM, lastError) == 2216, "lastError");
static_assert(offsetof(KVCOMS_SUSPICIOUS_QEM, elementQeid) == 2220, "elementQeid");
static_assert(sizeof(KVCOMS_SUSPICIOUS_QEM) == 2480, "QEM record");
static_assert(offsetof(KVCOMS_CONNECTIONTEST, tryDirect) == 521, "two flag bytes");
static_assert(offsetof(KVCOMS_CONNECTIONTEST, proxy) == 522, "proxy right after the flags");
static_assert(offsetof(KVCOMS_CONNECTIONTEST, connectionType) == 1564, "connectionType");
static_assert(sizeof(KVCOMS_CONNECTIONTEST) == 1568, "connection test record");
static_assert(offsetof(KVCOMS_SIGUPDATE, proxy) == 1300, "proxy");
static_assert(offsetof(KVCOMS_FILTEREDANSWER, digest) == 4, "digest");
static_assert(offsetof(KVCOMS_FILTEREDANSWER, property14) == 20, "property14");
static_assert(sizeof(KVCOMS_FILTEREDANSWER) == 24, "answer record");
#ifndef _WIN64
static_assert(offsetof(KVCOMS_SIGUPDATE, progress) == 2340, "progress callback");
static_assert(sizeof(KVCOMS_SIGUPDATE) == 2348, "signature update record");
static_assert(offsetof(KVCOMS_FILTEREDCHECK, proxy) == 8, "proxy");
static_assert(offsetof(KVCOMS_FILTEREDCHECK, answer) == 1048, "answer callback");
static_assert(sizeof(KVCOMS_FILTEREDCHECK) == 1052, "filtered check record");
#endif
#endif

#ifdef __cplusplus
extern "C" {
#endif
int KVCOMS_API KVCOMS_SendReports(KVCOMS_SENDFILES* record);
int KVCOMS_API KVCOMS_SendStatistics(KVCOMS_SENDFILES* record);
int KVCOMS_API KVCOMS_SendSuspicious(KVCOMS_SUSPICIOUS* record);
int KVCOMS_API KVCOMS_SendOneSuspicious(KVCOMS_SUSPICIOUS* record);
int KVCOMS_API KVCOMS_SendSuspiciousQEM(KVCOMS_SUSPICIOUS_QEM* record);
int KVCOMS_API KVCOMS_SendOneSuspiciousQEM(KVCOMS_SUSPICIOUS_QEM* record);
int KVCOMS_API KVCOMS_TestConnection(KVCOMS_CONNECTIONTEST* record);
int KVCOMS_API KVCOMS_CheckQelsig(KVCOMS_SIGUPDATE* record);
int KVCOMS_API KVCOMS_CheckFiltered(KVCOMS_FILTEREDCHECK* record);

typedef int(KVCOMS_API* KVCOMS_SendFiles_t)(KVCOMS_SENDFILES*);
typedef int(KVCOMS_API* KVCOMS_TestConnection_t)(KVCOMS_CONNECTIONTEST*);
#ifdef __cplusplus
}
#endif
