// The connection test of URL mode, before the audit starts: the configured proxy or a direct connection,
// then the proxy of the user's Internet settings. The way that works is written back into the
// configuration file, so that later starts and the KVComs calls of this run use it.
#include "WorkThreadHooks.h"

#include "DeliveryUrl.h"
#include "Globals.h"
#include "KVLog.h"
#include "ProxyConfig.h"
#include "ScopeLogger.h"
#include "TessalyConfig.h"
#include "TextHelpers.h"
#include "UserProxy.h"

#include <string.h>

#define TEST_LOG(...) KV_GenerateLog(config.logModule.c_str(), KV_SOURCE_FILE, __LINE__, __VA_ARGS__)

namespace {

// The request kept for the whole test and the last answer of KVCOMS_TestConnection (1: the server answered).
struct ConnectionTestState {
    KVCOMS_CONNECTIONTEST request;
    int lastResult = 0;
};

ConnectionTestState g_test;
const KvComsSendApi* g_coms = nullptr;

int RunTest()
{
    g_test.lastResult = g_coms->testConnection(&g_test.request);
    return g_test.lastResult;
}

void SetProxyTexts(const std::string& host, const std::string& port, const std::string& user,
                   const std::string& password)
{
    KVCOMS_PROXY& proxy = g_test.request.proxy;
    CopyRequestText(proxy.host, sizeof(proxy.host), host);
    CopyRequestText(proxy.port, sizeof(proxy.port), port);
    CopyRequestText(proxy.user, sizeof(proxy.user), user);
    CopyRequestText(proxy.password, sizeof(proxy.password), password);
}

void FillRequest(const TessalyConfig& config)
{
    memset(&g_test.request, 0, sizeof(g_test.request));
    CopyRequestText(g_test.request.url, sizeof(g_test.request.url), ToNarrow(config.queriesUrl));
    CopyRequestText(g_test.request.agent, sizeof(g_test.request.agent), ToNarrow(config.platformVersion));
    g_test.request.tryDirect = 1;
    if (!config.proxyServer.empty()) {
        g_test.request.tryProxy = 1;
        SetProxyTexts(ToNarrow(config.proxyServer), ToNarrow(config.proxyPort), ToNarrow(config.proxyUser),
                      ToNarrow(config.proxyPassword));
    }
}

// The four proxy settings of this run take the working values, and the configuration file gets them (an
// empty server removes the keys). A failed rewrite only costs the later starts the repair.
void StoreProxy(TessalyConfig& config, const ProxyKeys& keys)
{
    config.proxyServer = keys.server;
    config.proxyPort = keys.port;
    config.proxyUser = keys.user;
    config.proxyPassword = keys.password;
    const std::wstring path = config.ConfigFilePath(ToWide(g_configFilePath));
    const int result = WriteProxyToConfig(path, config.configWasEncrypted, keys);
    if (result != PROXY_WRITTEN)
        TEST_LOG("Could not rewrite the proxy settings of [%s] (%d)", ToNarrow(path).c_str(), result);
}

} // namespace

// instance is the module of the credentials dialog's resources.
bool TestConnection(TessalyConfig& config, void* instance)
{
    (void)instance;
    KV_SCOPE(config.logModule.c_str(), "TestConnection()");
    g_coms = KvComsApiFor(config);
    if (!g_coms)
        return false;
    FillRequest(config);
    if (RunTest() == 1) {
        if (g_test.request.connectionType == KVCOMS_CONN_DIRECT) {
            TEST_LOG("Direct internet connection.");
            if (!config.proxyServer.empty()) {
                TEST_LOG("Removing proxy information from the configuration file.");
                StoreProxy(config, ProxyKeys());
            }
        } else {
            TEST_LOG("Proxy internet connection.");
        }
        return true;
    }

    TEST_LOG("Connection Error. Searching the registry for proxy information.");
    SetProxyTexts("", "", "", "");
    UserProxy user;
    if (!ReadUserProxy(user) || !user.enabled)
        return false;
    TEST_LOG("Proxy information found. Trying to connect without credentials.");
    TEST_LOG("Proxy of the user's Internet settings: [%s] port [%s]", user.host.c_str(), user.port.c_str());
    SetProxyTexts(user.host, user.port, "", "");
    g_test.request.tryDirect = 0;
    g_test.request.tryProxy = 1;
    if (RunTest() == 1) {
        TEST_LOG("Proxy internet connection.");
        TEST_LOG("Updating proxy information of configuration file.");
        ProxyKeys keys;
        keys.server = ToWide(user.host);
        keys.port = ToWide(user.port);
        StoreProxy(config, keys);
        return true;
    }

    if (!config.showProgress) {
        TEST_LOG("No User Interface --> Connection Error.");
        return false;
    }
    TEST_LOG("Credentials needed, asking the user.");
    // The proxy credentials dialog comes with the progress window's user interface; this build has no
    // dialog to ask with, so the server stays unreachable rather than passing for reachable.
    TEST_LOG("The proxy credentials dialog is not available in this build. Connection Error.");
    return false;
}
