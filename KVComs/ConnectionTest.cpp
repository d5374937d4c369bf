#include "ConnectionTest.h"

#include <cstring>

#include "Base64.h"
#include "Text.h"
#include "WinInetApi.h"

namespace {

std::string g_testAgent; // the connection test's user-agent text

bool ConnectAndOpen(InetHandles& h, const std::string& url)
{
    UrlParts parts;
    if (!SplitUrl(url, parts)) {
        COMS_LOG("Error: Could not connect to internet. Err:%ld", static_cast<long>(ERROR_INTERNET_INVALID_URL));
        return false;
    }
    COMS_LOG("Connecting to %s", parts.host.c_str());
    h.connection = Inet().InternetConnectA(h.session, parts.host.c_str(), static_cast<INTERNET_PORT>(parts.port),
                                           nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    if (!h.connection) {
        COMS_LOG("Error: Could not connect to internet. Err:%ld", static_cast<long>(GetLastError()));
        return false;
    }
    COMS_LOG("Connection done");
    COMS_LOG("Creating request");
    h.request = Inet().HttpOpenRequestA(h.connection, "GET", parts.object.c_str(), nullptr, nullptr, nullptr,
                                        INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                                            INTERNET_FLAG_KEEP_CONNECTION,
                                        0);
    if (!h.request) {
        COMS_LOG("Error: Could not open Http Request. Err:%ld", static_cast<long>(GetLastError()));
        return false;
    }
    COMS_LOG("Request created");
    return true;
}

int SendAndJudge(InetHandles& h)
{
    COMS_LOG("Sending request");
    Inet().HttpSendRequestA(h.request, nullptr, 0, nullptr, 0);
    COMS_LOG("Reading status code");
    char status[1000];
    memset(status, 0, sizeof(status));
    DWORD length = sizeof(status) - 1;
    if (!Inet().HttpQueryInfoA(h.request, HTTP_QUERY_STATUS_CODE, status, &length, nullptr))
        return 0;
    if (strcmp(status, "200") == 0) {
        COMS_LOG("HTTP_QUERY_STATUS_VALUE: 200. Test OK.");
        return 1;
    }
    COMS_LOG("Error: HTTP_QUERY_STATUS_VALUE . Err:%s", status);
    return 0;
}

} // namespace

int TestDirectConnection(const std::string& url)
{
    COMS_SCOPE("TestDirectConnection");
    InetHandles h;
    COMS_LOG("Opening DIRECT internet connection");
    h.session = Inet().InternetOpenA(g_testAgent.c_str(), INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    if (!h.session) {
        COMS_LOG("Error: Could not open internet connection. Err:%ld", static_cast<long>(GetLastError()));
        return 0;
    }
    COMS_LOG("Internet connection open");
    if (!ConnectAndOpen(h, url))
        return 0;
    return SendAndJudge(h);
}

int TestProxyConnection(const KVCOMS_PROXY& proxy, const std::string& url)
{
    COMS_SCOPE("TestProxyConnection");
    std::string host = Field(proxy.host), port = Field(proxy.port);
    if (host.empty()) {
        COMS_LOG("No proxy data specified");
        return 0;
    }
    std::string proxyText = port.empty() ? host : host + ":" + port;
    InetHandles h;
    COMS_LOG("Opening PROXY internet connection. Proxy info: %s", proxyText.c_str());
    h.session = Inet().InternetOpenA(g_testAgent.c_str(), INTERNET_OPEN_TYPE_PROXY, proxyText.c_str(), nullptr, 0);
    if (!h.session) {
        COMS_LOG("Error: Could not open internet connection. Err:%ld", static_cast<long>(GetLastError()));
        return 0;
    }
    COMS_LOG("Internet connection open");
    std::string user = Field(proxy.user), password = Field(proxy.password);
    if (!user.empty()) {
        COMS_LOG("Adding proxy settings");
        COMS_LOG("    Proxy user [%s]", user.c_str());
        Inet().InternetSetOptionA(h.session, INTERNET_OPTION_PROXY_USERNAME, &user[0],
                                  static_cast<DWORD>(user.size() + 1));
        if (!password.empty()) {
            COMS_LOG("    Proxy password [********]");
            Inet().InternetSetOptionA(h.session, INTERNET_OPTION_PROXY_PASSWORD, &password[0],
                                      static_cast<DWORD>(password.size() + 1));
        }
    }
    if (!ConnectAndOpen(h, url))
        return 0;
    if (!user.empty()) {
        Inet().InternetSetOptionA(h.request, INTERNET_OPTION_PROXY_USERNAME, &user[0], static_cast<DWORD>(user.size()));
        Inet().InternetSetOptionA(h.request, INTERNET_OPTION_PROXY_PASSWORD, &password[0],
                                  static_cast<DWORD>(password.size()));
        std::string pair = user + ":" + password;
        std::string header = "Proxy-Authorization: Basic " + Base64Encode(pair.data(), pair.size()) + "\r\n";
        Inet().HttpAddRequestHeadersA(h.request, header.c_str(), static_cast<DWORD>(header.size()),
                                      HTTP_ADDREQ_FLAG_ADD);
        COMS_LOG("Header sent: [%s]", "Proxy-Authorization: Basic ********");
    }
    return SendAndJudge(h);
}

int TestInternetConnection(KVCOMS_CONNECTIONTEST* record)
{
    COMS_SCOPE("TestInternetConnection");
    g_testAgent = Field(record->agent);
    record->connectionType = KVCOMS_CONN_NONE;
    std::string url = Field(record->url);
    if (url.empty()) {
        COMS_LOG("No URL specified");
        return 0;
    }
    if (record->tryProxy && TestProxyConnection(record->proxy, url) == 1) {
        record->connectionType = KVCOMS_CONN_PROXY;
        return 1;
    }
    int result = 0;
    if (record->tryDirect) {
        result = TestDirectConnection(url);
        if (result == 1)
            record->connectionType = KVCOMS_CONN_DIRECT;
    }
    return result;
}
