// The connection test against the scripted WinINet table.
#include <gtest/gtest.h>

#include <cstring>

#include "ConnectionTest.h"
#include "FakeInet.h"
#include "TestLog.h"

namespace {

TEST(ConnectionTest, ProxyThenDirect)
{
    FakeInet inet;
    struct Row {
        const char* what;
        uint8_t tryProxy, tryDirect;
        const char* proxyHost;
        DWORD proxyStatus, directStatus;
        int result;
        uint32_t type;
        size_t requests;
    } rows[] = {
        {"nothing to try", 0, 0, "proxy.lan", 200, 200, 0, 0, 0},
        {"proxy works", 1, 1, "proxy.lan", 200, 200, 1, 2, 1},
        {"proxy fails, no direct", 1, 0, "proxy.lan", 407, 200, 0, 0, 1},
        {"proxy fails, direct works", 1, 1, "proxy.lan", 407, 200, 1, 1, 2},
        {"direct answers 302", 0, 1, "", 200, 302, 0, 0, 1},
        {"no proxy host, direct works", 1, 1, "", 200, 200, 1, 1, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        KVCOMS_CONNECTIONTEST record{};
        strcpy(record.url, "http://audit.example/test.aspx");
        strcpy(record.agent, "Agent");
        record.tryProxy = row.tryProxy;
        record.tryDirect = row.tryDirect;
        strcpy(record.proxy.host, row.proxyHost);
        record.connectionType = 9;
        inet.requests.clear();
        inet.answer = [&row](const FakeRequest& r) {
            FakeAnswer a;
            a.status = r.openType == INTERNET_OPEN_TYPE_PROXY ? row.proxyStatus : row.directStatus;
            return a;
        };
        EXPECT_EQ(TestInternetConnection(&record), row.result);
        EXPECT_EQ(record.connectionType, row.type);
        ASSERT_EQ(inet.requests.size(), row.requests);
        for (const FakeRequest& r : inet.requests) {
            EXPECT_EQ(r.verb, "GET");
            EXPECT_EQ(r.object, "test.aspx");
            EXPECT_EQ(r.agent, "Agent");
            EXPECT_TRUE(r.bodies.empty());
        }
    }
}

TEST(ConnectionTest, ProxyTextAndCredentials)
{
    FakeInet inet;
    KVCOMS_CONNECTIONTEST record{};
    strcpy(record.url, "audit.example/test.aspx");
    record.tryProxy = 1;
    strcpy(record.proxy.host, "proxy.lan");
    strcpy(record.proxy.user, "user");
    strcpy(record.proxy.password, "s3cr3t");
    TestLog log;
    EXPECT_EQ(TestInternetConnection(&record), 1);
    EXPECT_EQ(record.connectionType, 2u);
    const FakeRequest& r = inet.requests.at(0);
    EXPECT_EQ(r.proxyText, "proxy.lan"); // no default port in the test
    EXPECT_EQ(r.headers.at(0), "Proxy-Authorization: Basic dXNlcjpzM2NyM3Q=\r\n");
    EXPECT_EQ(r.sessionOptions.at(INTERNET_OPTION_PROXY_USERNAME), std::string("user", 5));
    EXPECT_EQ(r.requestOptions.at(INTERNET_OPTION_PROXY_PASSWORD), "s3cr3t");
    for (const std::string& m : log.Messages("ConnectionTest.cpp"))
        EXPECT_EQ(m.find("s3cr3t"), std::string::npos) << m;

    strcpy(record.proxy.port, "3128");
    strcpy(record.url, "");
    EXPECT_EQ(TestInternetConnection(&record), 0);
    strcpy(record.url, "audit.example/test.aspx");
    inet.requests.clear();
    EXPECT_EQ(TestInternetConnection(&record), 1);
    EXPECT_EQ(inet.requests.at(0).proxyText, "proxy.lan:3128");
}

TEST(ConnectionTest, FailedSessionOrConnectionIsNoConnection)
{
    FakeInet inet;
    KVCOMS_CONNECTIONTEST record{};
    strcpy(record.url, "http://audit.example/");
    record.tryDirect = 1;
    inet.failConnect = true;
    record.connectionType = 9;
    EXPECT_EQ(TestInternetConnection(&record), 0);
    EXPECT_EQ(record.connectionType, 0u);
    inet.failConnect = false;
    inet.failOpen = true;
    record.connectionType = 9;
    EXPECT_EQ(TestInternetConnection(&record), 0);
    EXPECT_EQ(record.connectionType, 0u);
}

} // namespace
