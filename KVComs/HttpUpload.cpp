// One multipart POST over the WinINet table: session, connection, request, body, resends, answer.
#include "HttpUpload.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "Base64.h"
#include "HttpAnswer.h"
#include "Text.h"
#include "WinInetApi.h"

namespace {

struct UploadSpec {
    const char* name;          // function name in the log
    const char* exceptionName; // name in the exception line
    UploadKind kind;
    AnswerCheck check;
    uint64_t sizeEchoExtra;
};

bool ReadWholeFile(const char* path, std::string& bytes)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size;
    bool ok = GetFileSizeEx(file, &size) && size.QuadPart < 0x7fffffff;
    if (ok) {
        bytes.assign(static_cast<size_t>(size.QuadPart), '\0');
        DWORD read = 0;
        ok = bytes.empty() || (ReadFile(file, &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr) &&
                               read == bytes.size());
    }
    CloseHandle(file);
    return ok;
}

bool HasProxyUser(const KVCOMS_PROXY& proxy) { return proxy.host[0] != '\0' && proxy.user[0] != '\0'; }

// Sends the request with its body; 12032 from the end of the request asks for the whole request
// again, at most kMaxSendTries times.
bool SendWithResends(HINTERNET request, const std::string& body)
{
    for (int attempt = 1; attempt <= kMaxSendTries; ++attempt) {
        COMS_LOG("Sending request. Try: %d", attempt);
        INTERNET_BUFFERSA buffers;
        memset(&buffers, 0, sizeof(buffers));
        buffers.dwStructSize = sizeof(buffers);
        buffers.dwBufferTotal = static_cast<DWORD>(body.size());
        if (!Inet().HttpSendRequestExA(request, &buffers, nullptr, 0, 0)) {
            COMS_LOG("Error %d sending request", static_cast<int>(GetLastError()));
            return false;
        }
        COMS_LOG("Request sent. Uploading data");
        DWORD written = 0;
        if (!Inet().InternetWriteFile(request, body.data(), static_cast<DWORD>(body.size()), &written) ||
            written != body.size()) {
            COMS_LOG("Error %d uploading data", static_cast<int>(GetLastError()));
            return false;
        }
        COMS_LOG("Data sent. Ending request");
        if (Inet().HttpEndRequestA(request, nullptr, 0, 0)) {
            COMS_LOG("Request finished. Reading response");
            return true;
        }
        DWORD error = GetLastError();
        COMS_LOG("Error %d ending request", static_cast<int>(error));
        if (error == 0) {
            COMS_LOG("Request finished. Reading response");
            return true;
        }
        if (error != ERROR_INTERNET_FORCE_RETRY)
            return false;
        COMS_LOG("Error is \"ERROR_INTERNET_FORCE_RETRY\" --> Retrying");
    }
    COMS_LOG("Request not finished after %d tries --> Error.", kMaxSendTries);
    return false;
}

bool AddHeader(HINTERNET request, const std::string& header, const std::string& logged)
{
    std::string line = header + "\r\n";
    if (!Inet().HttpAddRequestHeadersA(request, line.c_str(), static_cast<DWORD>(line.size()), HTTP_ADDREQ_FLAG_ADD))
        return false;
    COMS_LOG("Header sent: [%s]", logged.c_str());
    return true;
}

int Post(const UploadSpec& spec, const UploadTarget& target, const std::string& md5Text, InetHandles& h)
{
    const char* agent = target.agent ? target.agent : "";
    const KVCOMS_PROXY& proxy = *target.proxy;

    std::string boundary;
    if (!CreateBoundary(boundary))
        return 1;
    std::string fileBytes;
    if (!ReadWholeFile(target.filePath, fileBytes)) {
        COMS_LOG("Error %d reading file %s", static_cast<int>(GetLastError()), target.filePath);
        return 1;
    }
    std::string mime;
    if (!Inet().SniffMime(fileBytes.data(), static_cast<DWORD>(fileBytes.size()), mime))
        mime = "application/octet-stream";
    // The body is built first: the declared length is its real size.
    const std::string body = BuildUploadBody(spec.kind, boundary, target.filePath, mime, fileBytes, md5Text);

    if (proxy.host[0] != '\0') {
        std::string proxyText = UploadProxyText(proxy);
        COMS_LOG("Using proxy");
        COMS_LOG("    Proxy used: %s", proxyText.c_str());
        h.session = Inet().InternetOpenA(agent, INTERNET_OPEN_TYPE_PROXY, proxyText.c_str(), nullptr, 0);
    } else {
        COMS_LOG(spec.kind == UPLOAD_STATISTIC ? "No proxy used" : "Not proxy used");
        h.session = Inet().InternetOpenA(agent, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    }
    if (!h.session)
        return 1;

    UrlParts url;
    if (!SplitUrl(target.url ? target.url : "", url)) {
        COMS_LOG("Invalid URL [%s]", target.url ? target.url : "");
        return 1;
    }
    h.connection = Inet().InternetConnectA(h.session, url.host.c_str(), static_cast<INTERNET_PORT>(url.port), nullptr,
                                           nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    if (!h.connection) {
        COMS_LOG("InternetConnect failed. Error %d", static_cast<int>(GetLastError()));
        return 1;
    }
    COMS_LOG("InternetConnect OK. Server: %s", url.host.c_str());

    const bool credentials = HasProxyUser(proxy);
    std::string user = Field(proxy.user), password = Field(proxy.password);
    if (credentials) {
        COMS_LOG("Adding proxy info:");
        COMS_LOG("        Username: [%s]", user.c_str());
        COMS_LOG("        Password: [********]");
        Inet().InternetSetOptionA(h.connection, INTERNET_OPTION_PROXY_USERNAME, &user[0], static_cast<DWORD>(user.size()));
        Inet().InternetSetOptionA(h.connection, INTERNET_OPTION_PROXY_PASSWORD, &password[0],
                                  static_cast<DWORD>(password.size()));
    }

    LPCSTR accept[] = {"*/*", nullptr};
    h.request = Inet().HttpOpenRequestA(h.connection, "POST", url.object.c_str(), nullptr, nullptr, accept,
                                        INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                                            INTERNET_FLAG_KEEP_CONNECTION,
                                        0);
    if (!h.request) {
        COMS_LOG("HttpOpenRequest failed. Error: %d", static_cast<int>(GetLastError()));
        return 1;
    }
    COMS_LOG("HttpOpenRequest OK. Requested url: %s", target.url);

    if (credentials) {
        std::string pair = user + ":" + password;
        if (!AddHeader(h.request, "Proxy-Authorization: Basic " + Base64Encode(pair.data(), pair.size()),
                       "Proxy-Authorization: Basic ********"))
            return 1;
    }
    std::string contentType = "Content-Type: multipart/form-data; boundary=" + boundary;
    if (!AddHeader(h.request, contentType, contentType))
        return 1;

    if (!SendWithResends(h.request, body))
        return 1;

    uint32_t error = 0;
    bool accepted = false;
    if (spec.check == CHECK_SIZE_ECHO)
        accepted = HandleResponseTamWininet(h.request, fileBytes.size() + spec.sizeEchoExtra, error);
    else if (spec.check == CHECK_TO_FILE)
        accepted = HandleResponseWininet(h.request, target.filePath, error);
    else
        accepted = HandleResponseStatus(h.request, error);
    if (accepted)
        return 0;
    if (target.lastError && error != 0)
        *target.lastError = error;
    return 1;
}

int Upload(const UploadSpec& spec, const UploadTarget& target, const std::string& md5Text)
{
    COMS_SCOPE(spec.name);
    try {
        InetHandles handles;
        return Post(spec, target, md5Text, handles);
    } catch (...) {
        COMS_LOG("Exception caught in %s. Error code: %d", spec.exceptionName, static_cast<int>(GetLastError()));
        return 1;
    }
}

} // namespace

int UploadReportHttpWininet(const UploadTarget& target)
{
    UploadSpec spec = {"UploadReportHttpWininet", "UploadReportHttpWininet", UPLOAD_REPORT, CHECK_SIZE_ECHO, 0};
    return Upload(spec, target, std::string());
}

int UploadStatisticHttpWininet(const UploadTarget& target)
{
    UploadSpec spec = {"UploadStatisticHttpWininet", "UploadStatisticHttpWininet", UPLOAD_STATISTIC, CHECK_STATUS, 0};
    return Upload(spec, target, std::string());
}

int UploadReportHttpSuspiciousWininet(const UploadTarget& target, const std::string& md5Text, bool checkSizeEcho)
{
    UploadSpec spec = {"UploadReportHttpSuspiciousWininet", "UploadReportHttpSuspiciousWininet", UPLOAD_SUSPICIOUS,
                       checkSizeEcho ? CHECK_SIZE_ECHO : CHECK_TO_FILE, 32};
    return Upload(spec, target, md5Text);
}

int UploadReportHttpSuspiciousQEMWininet(const UploadTarget& target, const std::string& md5Text, bool checkSizeEcho)
{
    UploadSpec spec = {"UploadReportHttpSuspiciousQEMWininet", "UploadReportHttpSuspiciousWininet",
                       UPLOAD_SUSPICIOUS_QEM, checkSizeEcho ? CHECK_SIZE_ECHO : CHECK_TO_FILE, 33};
    return Upload(spec, target, md5Text);
}
