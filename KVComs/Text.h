// Small text helpers of KVComs: fixed record fields, URL parts and the log.
#pragma once

#include <windows.h>

#include <string>

#include "KVComs.h"
#include "KVLog.h"
#include "ScopeLogger.h"

#define KVCOMS_MODULE "KVCOMS"
#define COMS_LOG(...) KV_GenerateLog(KVCOMS_MODULE, KV_SOURCE_FILE, __LINE__, __VA_ARGS__)
#define COMS_SCOPE(name) KV_SCOPE(KVCOMS_MODULE, name)

// A record text, never read past its 260 bytes even when the caller left it unterminated.
std::string Field(const char (&text)[KVCOMS_TEXT]);
std::string WideToAnsi(const wchar_t* text);

// Host, port and request object of an upload or test URL. The host starts after "://" when present
// and ends at the first "/"; an explicit ":port" after the host is honoured, otherwise port 80.
struct UrlParts {
    std::string host;
    unsigned port = 80;
    std::string object; // text after the host's "/", empty for none
};
bool SplitUrl(const std::string& url, UrlParts& parts);

// "host:port" of the upload session: at most 240 bytes of host, at most 6 of port, "80" for no port.
std::string UploadProxyText(const KVCOMS_PROXY& proxy);
