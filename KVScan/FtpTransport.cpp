// The FTP transport.
#include "FtpTransport.h"

#include "KVLog.h"
#include "ScopeLogger.h"
#include "TessalyConfig.h"

#define FTP_LOG(...) KV_GenerateLog("KvScan", KV_SOURCE_FILE, __LINE__, __VA_ARGS__)

int FtpDestinationFrom(const TessalyConfig& config, FtpDestination& destination)
{
    destination = FtpDestination();
    if (ParseFtpAddress(config.reportsFtp, destination.address) != 0)
        return 1;
    destination.instanceId = std::wstring(config.instanceId.begin(), config.instanceId.end());
    destination.user = config.ftpUser;
    destination.password = config.ftpPassword;
    destination.proxyServer = config.proxyServer;
    destination.proxyPort = config.proxyPort;
    return 0;
}

int PrepareFtpDestination(const FtpDestination&, const std::vector<std::wstring>&)
{
    FTP_LOG("FTP transport not available in this build");
    return 1;
}

int UploadToFtpDestination(void*, const std::wstring&, const std::wstring&, const std::wstring&)
{
    FTP_LOG("FTP transport not available in this build");
    return 1;
}

int WriteProgressFtp(const FtpDestination&, const ProgressRecord&)
{
    FTP_LOG("FTP transport not available in this build");
    return 1;
}
