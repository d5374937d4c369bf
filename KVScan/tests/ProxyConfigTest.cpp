// The proxy settings the connection test writes back: the user's "host:port" text, and the rewrite of the
// configuration file (plain and encrypted) as the next start reads it.
#include "KVCripto.h"
#include "ProxyConfig.h"
#include "TessalyConfig.h"
#include "TestFiles.h"
#include "TextHelpers.h"
#include "UserProxy.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace {

TEST(SplitProxyServer, HostAndDecimalPort)
{
    struct {
        const char* value;
        const char* host;
        const char* port;
    } const cases[] = {
        {"proxy.example.com:8080", "proxy.example.com", "8080"},
        {"10.1.2.3:0080", "10.1.2.3", "80"}, // read as a number
        {"proxy", "proxy", ""},              // no colon: host only
        {" proxy : 3128 ", "proxy", "3128"},
        {"proxy:", "proxy", ""},
        {"proxy:80a", "proxy", ""},   // not a number: no port rather than a wrong one
        {"proxy:65536", "proxy", ""}, // not a port
        {"http=web:81;https=secure:443", "web", "81"},
        {"ftp=files:21; https=secure:443; http=web:82", "web", "82"},
        {"https=secure:443", "", ""}, // no proxy for plain HTTP
    };
    for (const auto& c : cases) {
        std::string host = "stale", port = "stale";
        SplitProxyServer(c.value, host, port);
        EXPECT_EQ(host, c.host) << c.value;
        EXPECT_EQ(port, c.port) << c.value;
    }
}

const char kConfig[] = "; audit configuration\r\n"
                       "[KVSCAN_MAINCONFIG]\r\n"
                       "AuditGUID={0badc0de-1111-2222-3333-444455556666}\r\n"
                       "ProxyServer=old.proxy\r\n"
                       "ProxyPort=3128\r\n"
                       "\r\n"
                       "ProxyUser=olduser\r\n"
                       "ProxyPassword=oldpass\r\n"
                       "ReportsURL=http://audit.example/a/report\r\n"
                       "ProxyServer=second.proxy\r\n"
                       "[KVSCAN_SCANCONFIG]\r\n"
                       "ShowProgress=no\r\n"
                       "PathAnalysis=\"C:\\data\"\r\n";

std::string Encrypt(const std::string& plain)
{
    void* out = nullptr;
    unsigned long length = 0;
    EXPECT_TRUE(KV_EncryptBuffer(plain.data(), static_cast<unsigned long>(plain.size()), &out, &length));
    std::string cipher(static_cast<const char*>(out), length);
    KV_MemFree(out);
    return cipher;
}

std::string Decrypt(const std::string& cipher)
{
    void* out = nullptr;
    unsigned long length = 0;
    if (!KV_DecryptBuffer(cipher.data(), static_cast<unsigned long>(cipher.size()), &out, &length))
        return "(not decryptable)";
    std::string plain(static_cast<const char*>(out), length);
    KV_MemFree(out);
    return plain;
}

// The rewritten file as the next start of the scanner reads it.
struct Reread {
    int result;
    TessalyConfig config;
};

void ReadBack(const std::wstring& folder, Reread& reread)
{
    reread.config.programFolder = ToNarrow(folder);
    reread.result = reread.config.ReadConfig(L"KVScan.ini");
}

TEST(WriteProxyToConfig, SetsOrRemovesTheFourKeysAndKeepsTheRest)
{
    ProxyKeys found;
    found.server = L"10.0.0.8";
    found.port = L"8080";
    struct {
        const char* what;
        bool encrypted;
        ProxyKeys keys;
        const wchar_t* server;
        const wchar_t* port;
    } const cases[] = {
        {"plain, removed", false, ProxyKeys(), L"", L""},
        {"plain, replaced", false, found, L"10.0.0.8", L"8080"},
        {"encrypted, removed", true, ProxyKeys(), L"", L""},
        {"encrypted, replaced", true, found, L"10.0.0.8", L"8080"},
    };
    for (const auto& c : cases) {
        const std::wstring folder = TestFolder(L"proxyconfig");
        const std::wstring path = folder + L"\\KVScan.ini";
        WriteBytes(path, c.encrypted ? Encrypt(kConfig) : std::string(kConfig));

        ASSERT_EQ(WriteProxyToConfig(path, c.encrypted, c.keys), PROXY_WRITTEN) << c.what;

        const std::string stored = ReadBytes(path);
        EXPECT_EQ(KV_IsEncrypted(stored.data(), static_cast<unsigned long>(stored.size())) != 0, c.encrypted)
            << c.what;
        const std::string text = c.encrypted ? Decrypt(stored) : stored;
        EXPECT_EQ(text.find("; audit configuration"), std::string::npos) << c.what;
        EXPECT_EQ(text.find("old"), std::string::npos) << c.what << "\n" << text;
        EXPECT_EQ(text.find("second.proxy"), std::string::npos) << c.what << "\n" << text;
        EXPECT_NE(text.find("PathAnalysis=\"C:\\data\""), std::string::npos) << c.what << "\n" << text;
        Reread reread;
        ReadBack(folder, reread);
        ASSERT_EQ(reread.result, CONFIG_OK) << c.what;
        EXPECT_EQ(reread.config.configWasEncrypted, c.encrypted) << c.what;
        EXPECT_EQ(reread.config.proxyServer, c.server) << c.what;
        EXPECT_EQ(reread.config.proxyPort, c.port) << c.what;
        EXPECT_EQ(reread.config.proxyUser, L"") << c.what;
        EXPECT_EQ(reread.config.proxyPassword, L"") << c.what;
        EXPECT_EQ(reread.config.reportsUrl, L"http://audit.example/a/report") << c.what;
        EXPECT_EQ(reread.config.auditGuid, L"{0badc0de-1111-2222-3333-444455556666}") << c.what;
        EXPECT_EQ(GetFileAttributesW((path + L".tmp").c_str()), INVALID_FILE_ATTRIBUTES) << c.what;
        RemoveTree(folder);
    }
}

TEST(WriteProxyToConfig, AFileThatCannotBeReadStaysAsItIs)
{
    const std::wstring folder = TestFolder(L"proxyconfig-bad");
    const std::wstring path = folder + L"\\KVScan.ini";
    struct {
        const char* what;
        const wchar_t* file;
        int expected;
    } const cases[] = {
        {"missing", L"\\missing.ini", PROXY_UNREADABLE},
        {"plain text taken for encrypted", L"\\KVScan.ini", PROXY_UNDECRYPTABLE},
    };
    WriteBytes(path, kConfig);
    for (const auto& c : cases)
        EXPECT_EQ(WriteProxyToConfig(folder + c.file, true, ProxyKeys()), c.expected) << c.what;
    EXPECT_EQ(ReadBytes(path), kConfig);
    EXPECT_EQ(GetFileAttributesW((path + L".tmp").c_str()), INVALID_FILE_ATTRIBUTES);
    RemoveTree(folder);
}

} // namespace
