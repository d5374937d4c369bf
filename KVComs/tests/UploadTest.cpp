// The HTTP upload transport against the scripted WinINet table: request bytes, answers, proxy and
// resends.
#include <gtest/gtest.h>

#include <cstring>
#include <regex>
#include <set>

#include "FakeInet.h"
#include "HttpUpload.h"
#include "TestFiles.h"
#include "TestLog.h"
#include "Text.h"
#include "WinInetApi.h"

namespace {

std::string Narrow(const std::wstring& w) { return WideToAnsi(w.c_str()); }

struct UploadFixture : ::testing::Test {
    std::wstring folder = TestFolder(L"kvcoms_upload");
    std::string path;
    KVCOMS_PROXY proxy{};
    uint32_t lastError = 0;
    FakeInet inet;

    void TearDown() override { RemoveTree(folder); }
    void File(const std::string& bytes)
    {
        WriteBytes(folder + L"\\report.xml", bytes);
        path = Narrow(folder) + "\\report.xml";
    }
    UploadTarget Target(const char* url = "http://audit.example/upload/report.aspx")
    {
        UploadTarget t = {url, path.c_str(), "Agent/1.0", &proxy, &lastError};
        return t;
    }
    void Answer(DWORD status, const std::string& body)
    {
        inet.answer = [status, body](const FakeRequest&) {
            FakeAnswer a;
            a.status = status;
            a.body = body;
            return a;
        };
    }
};

const std::string B = kFixedBoundary;

std::string Disposition(const std::string& name) { return "Content-Disposition: form-data; name=\"" + name + "\""; }

TEST_F(UploadFixture, RequestBytesPerOperation)
{
    File(std::string("<a>\0\xff</a>", 9));
    const std::string head = "--" + B + "\r\n";
    auto filePart = [&](const std::string& name) {
        return head + Disposition(name) + "; filename=\"" + path + "\"\r\nContent-Type: text/xml\r\n\r\n" +
               std::string("<a>\0\xff</a>", 9) + "\r\n";
    };
    const std::string end = "--" + B + "--\r\n";
    const std::string md5 = "0123456789abcdef0123456789abcdef";
    struct Row {
        const char* what;
        std::function<int()> upload;
        std::string body;
    } rows[] = {
        {"report", [&] { return UploadReportHttpWininet(Target()); }, filePart("Report") + end},
        {"statistics", [&] { return UploadStatisticHttpWininet(Target()); }, filePart("flFicheroSubida") + end},
        {"suspicious, MD5 mode", [&] { return UploadReportHttpSuspiciousWininet(Target(), md5, false); },
         filePart("Report") + head + Disposition("MD5") + "\r\n\r\n" + md5 + "\r\n" + end},
        {"suspicious, no MD5", [&] { return UploadReportHttpSuspiciousWininet(Target(), "", false); },
         filePart("") + head + Disposition("NQER") + "\r\n\r\n1\r\n" + end},
        {"QEM, MD5 mode", [&] { return UploadReportHttpSuspiciousQEMWininet(Target(), md5, false); },
         filePart("Report") + head + Disposition("MD5") + "\r\n\r\n" + md5 + "\r\n" + head +
             Disposition("ProductType") + "\r\n\r\n1\r\n" + end},
        {"QEM, no MD5", [&] { return UploadReportHttpSuspiciousQEMWininet(Target(), "", false); },
         filePart("") + head + Disposition("NQER") + "\r\n\r\n1\r\n" + end},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        File(std::string("<a>\0\xff</a>", 9)); // the answer-to-file mode replaces it
        inet.requests.clear();
        row.upload();
        ASSERT_EQ(inet.requests.size(), 1u);
        const FakeRequest& r = inet.requests[0];
        EXPECT_EQ(r.verb, "POST");
        EXPECT_EQ(r.host, "audit.example");
        EXPECT_EQ(r.port, 80u);
        EXPECT_EQ(r.object, "upload/report.aspx");
        EXPECT_EQ(r.agent, "Agent/1.0");
        EXPECT_EQ(r.openType, static_cast<DWORD>(INTERNET_OPEN_TYPE_DIRECT));
        ASSERT_EQ(r.bodies.size(), 1u);
        EXPECT_EQ(r.bodies[0], row.body);
        EXPECT_EQ(r.declaredLengths[0], row.body.size());
        ASSERT_EQ(r.headers.size(), 1u);
        EXPECT_EQ(r.headers[0], "Content-Type: multipart/form-data; boundary=" + B + "\r\n");
        EXPECT_EQ(r.closed, 3);
    }
}

TEST_F(UploadFixture, EmptyFileIsSentWithAnEmptyPartAndTheFallbackType)
{
    File("");
    inet.mime = "";
    EXPECT_EQ(UploadReportHttpWininet(Target()), 0);
    const std::string& body = inet.requests.at(0).bodies.at(0);
    EXPECT_NE(body.find("Content-Type: application/octet-stream\r\n\r\n\r\n--" + B + "--\r\n"), std::string::npos);
}

TEST(Boundary, FreshGuidTextOfFortyFourCharacters)
{
    std::set<std::string> seen;
    for (int i = 0; i < 4; ++i) {
        std::string b;
        ASSERT_TRUE(CreateBoundary(b));
        EXPECT_TRUE(std::regex_match(b, std::regex("----MORVIK-[0-9a-f]{32}-"))) << b;
        seen.insert(b);
    }
    EXPECT_EQ(seen.size(), 4u);
}

TEST_F(UploadFixture, SizeEchoJudgement)
{
    File(std::string(1234, 'x'));
    struct Row {
        const char* what;
        DWORD status;
        const char* answer;
        int kind; // 0 report, 1 suspicious echo, 2 QEM echo
        int result;
        uint32_t error;
    } rows[] = {
        {"exact", 200, "1234", 0, 0, 0},
        {"number and more text", 200, "1234abc", 0, 0, 0},
        {"one less", 200, "1233", 0, 1, 17},
        {"longer number", 200, "12345", 0, 1, 17},
        {"empty answer", 200, "", 0, 1, 17},
        {"not found", 404, "1234", 0, 1, 18},
        {"server error", 500, "", 0, 1, 18},
        {"suspicious +32", 200, "1266", 1, 0, 0},
        {"suspicious without the +32", 200, "1234", 1, 1, 17},
        {"QEM +33", 200, "1267", 2, 0, 0},
        {"QEM with +32", 200, "1266", 2, 1, 17},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        lastError = 0;
        Answer(row.status, row.answer);
        int result = row.kind == 0   ? UploadReportHttpWininet(Target())
                     : row.kind == 1 ? UploadReportHttpSuspiciousWininet(Target(), "", true)
                                     : UploadReportHttpSuspiciousQEMWininet(Target(), "", true);
        EXPECT_EQ(result, row.result);
        EXPECT_EQ(lastError, row.error);
    }
}

TEST_F(UploadFixture, StatisticsAcceptStatus200Only)
{
    File("zip");
    Answer(200, "");
    EXPECT_EQ(UploadStatisticHttpWininet(Target()), 0);
    Answer(404, "");
    EXPECT_EQ(UploadStatisticHttpWininet(Target()), 1);
    EXPECT_EQ(lastError, 18u);
}

TEST_F(UploadFixture, AnswerToFile)
{
    struct Row {
        const char* what;
        DWORD status;
        std::string answer;
        bool readFails;
        int result;
        std::string fileAfter;
    } rows[] = {
        {"answer replaces the file", 200, "QEAR answer", false, 0, "QEAR answer"},
        {"empty answer", 200, "", false, 1, ""},
        {"read fails midway", 200, "QEAR answer", true, 1, "QEA"},
        {"refused status", 500, "x", false, 1, "sample"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        File("sample");
        Answer(row.status, row.answer);
        inet.answer = [&row](const FakeRequest&) {
            FakeAnswer a;
            a.status = row.status;
            a.body = row.answer;
            a.readFailsAfterFirstChunk = row.readFails;
            return a;
        };
        EXPECT_EQ(UploadReportHttpSuspiciousWininet(Target(), "", false), row.result);
        EXPECT_EQ(ReadBytes(folder + L"\\report.xml"), row.fileAfter);
    }
}

TEST_F(UploadFixture, ProxySessionAndCredentials)
{
    File("x");
    struct Row {
        const char* what;
        const char* host;
        const char* port;
        const char* user;
        const char* password;
        const char* proxyText;
        const char* header; // null: none
    } rows[] = {
        {"port given", "proxy.lan", "3128", "", "", "proxy.lan:3128", nullptr},
        {"empty port gives 80", "proxy.lan", "", "", "", "proxy.lan:80", nullptr},
        {"user and password", "proxy.lan", "8080", "user", "pass", "proxy.lan:8080",
         "Proxy-Authorization: Basic dXNlcjpwYXNz\r\n"},
        {"user without password", "proxy.lan", "8080", "user", "", "proxy.lan:8080",
         "Proxy-Authorization: Basic dXNlcjo=\r\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        proxy = KVCOMS_PROXY{};
        strcpy(proxy.host, row.host);
        strcpy(proxy.port, row.port);
        strcpy(proxy.user, row.user);
        strcpy(proxy.password, row.password);
        inet.requests.clear();
        TestLog log;
        EXPECT_EQ(UploadReportHttpWininet(Target()), 0);
        const FakeRequest& r = inet.requests.at(0);
        EXPECT_EQ(r.openType, static_cast<DWORD>(INTERNET_OPEN_TYPE_PROXY));
        EXPECT_EQ(r.proxyText, row.proxyText);
        if (row.header) {
            ASSERT_EQ(r.headers.size(), 2u);
            EXPECT_EQ(r.headers[0], row.header);
            EXPECT_EQ(r.connectionOptions.at(INTERNET_OPTION_PROXY_USERNAME), row.user);
            EXPECT_EQ(r.connectionOptions.at(INTERNET_OPTION_PROXY_PASSWORD), row.password);
        } else {
            EXPECT_EQ(r.headers.size(), 1u);
            EXPECT_TRUE(r.connectionOptions.empty());
        }
        bool masked = false;
        for (const std::string& m : log.Messages("HttpUpload.cpp")) {
            EXPECT_EQ(m.find("dXNlcj"), std::string::npos) << m;
            masked = masked || m == "Header sent: [Proxy-Authorization: Basic ********]";
        }
        EXPECT_EQ(masked, row.header != nullptr);
    }
}

TEST_F(UploadFixture, ForcedRetrySendsTheSameRequestAgainUpToFiveTimes)
{
    File("abc");
    inet.endErrors = {ERROR_INTERNET_FORCE_RETRY, ERROR_INTERNET_FORCE_RETRY};
    EXPECT_EQ(UploadReportHttpWininet(Target()), 0);
    const FakeRequest& r = inet.requests.at(0);
    ASSERT_EQ(r.bodies.size(), 3u);
    EXPECT_EQ(r.bodies[0], r.bodies[2]);
    EXPECT_EQ(r.declaredLengths[2], r.bodies[2].size());

    inet.requests.clear();
    inet.endErrors.assign(10, ERROR_INTERNET_FORCE_RETRY);
    lastError = 77;
    EXPECT_EQ(UploadReportHttpWininet(Target()), 1);
    EXPECT_EQ(inet.requests.at(0).bodies.size(), static_cast<size_t>(kMaxSendTries));
    EXPECT_EQ(lastError, 77u); // no answer arrived: the record's error is left alone

    inet.requests.clear();
    inet.endErrors = {ERROR_INTERNET_CONNECTION_RESET};
    EXPECT_EQ(UploadReportHttpWininet(Target()), 1);
    EXPECT_EQ(inet.requests.at(0).bodies.size(), 1u);
}

TEST_F(UploadFixture, UrlForms)
{
    File("x");
    struct Row {
        const char* url;
        const char* host;
        unsigned port;
        const char* object;
    } rows[] = {
        {"http://audit.example/a/b.aspx", "audit.example", 80, "a/b.aspx"},
        {"audit.example/upload", "audit.example", 80, "upload"},
        {"http://audit.example", "audit.example", 80, ""},
        {"http://127.0.0.1:8081/up", "127.0.0.1", 8081, "up"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.url);
        inet.requests.clear();
        EXPECT_EQ(UploadReportHttpWininet(Target(row.url)), 0);
        const FakeRequest& r = inet.requests.at(0);
        EXPECT_EQ(r.host, row.host);
        EXPECT_EQ(r.port, row.port);
        EXPECT_EQ(r.object, row.object);
    }
    inet.requests.clear();
    EXPECT_EQ(UploadReportHttpWininet(Target("http://audit.example:http/x")), 1);
    EXPECT_TRUE(inet.requests.at(0).host.empty()); // a broken port connects nowhere
}

TEST_F(UploadFixture, MissingFilePostsNothing)
{
    path = Narrow(folder) + "\\absent.xml";
    EXPECT_EQ(UploadReportHttpWininet(Target()), 1);
    EXPECT_TRUE(inet.requests.empty());
}

} // namespace
