// The FTP session over WinINet.
#include "FtpSession.h"

#include "KVLog.h"
#include "ScopeLogger.h"
#include "TextHelpers.h"

#define FTP_LOG(...) KV_GenerateLog("KvScan", KV_SOURCE_FILE, __LINE__, __VA_ARGS__)

const wchar_t kAnonymousFtpPassword[] = L"kvscan@orvane.invalid";

namespace {

const wchar_t kAgent[] = L"Orvane Software";
const DWORD kResponseCharacters = 4095;

// One line for the log: the server's response may hold several lines.
std::string OneLine(const std::wstring& text)
{
    std::string line = ToNarrow(text);
    for (char& c : line) {
        if (c == '\r' || c == '\n')
            c = ' ';
    }
    while (!line.empty() && line.back() == ' ')
        line.pop_back();
    return line;
}

} // namespace

FtpFailure LastFtpFailure()
{
    FtpFailure failure;
    failure.error = GetLastError();
    if (failure.error != ERROR_INTERNET_EXTENDED_ERROR)
        return failure;
    std::wstring buffer(kResponseCharacters + 1, L'\0');
    DWORD code = 0;
    DWORD length = kResponseCharacters + 1;
    if (InternetGetLastResponseInfoW(&code, &buffer[0], &length)) {
        buffer.resize(length < kResponseCharacters ? length : kResponseCharacters);
        failure.responseCode = code;
        failure.response = OneLine(buffer.c_str());
    }
    return failure;
}

FtpSession::~FtpSession()
{
    Close();
}

void FtpSession::Close()
{
    if (connection_)
        InternetCloseHandle(connection_);
    if (internet_)
        InternetCloseHandle(internet_);
    connection_ = nullptr;
    internet_ = nullptr;
}

int FtpSession::Open(const FtpDestination& destination)
{
    Close();
    FTP_LOG("Opening internet connection");
    std::wstring proxy = destination.proxyServer;
    if (!proxy.empty() && !destination.proxyPort.empty())
        proxy += L":" + destination.proxyPort;
    internet_ = proxy.empty() ? InternetOpenW(kAgent, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0)
                              : InternetOpenW(kAgent, INTERNET_OPEN_TYPE_PROXY, proxy.c_str(), nullptr, 0);
    if (!internet_) {
        FTP_LOG("Error: Could not open internet connection. Err:%ld", static_cast<long>(GetLastError()));
        return 1;
    }

    const wchar_t* user = L"anonymous";
    const wchar_t* password = kAnonymousFtpPassword;
    if (!destination.user.empty()) {
        FTP_LOG("Using ftp user name and password");
        user = destination.user.c_str();
        password = destination.password.c_str();
    } else {
        FTP_LOG("Using anonymous ftp %s/%s", "anonymous", "********");
    }

    std::string host = ToNarrow(destination.address.host);
    int port = static_cast<int>(destination.address.port);
    FTP_LOG("Opening (passive) ftp connection to server [%s] port:%i ", host.c_str(), port);
    connection_ = InternetConnectW(internet_, destination.address.host.c_str(),
                                         static_cast<INTERNET_PORT>(destination.address.port), user, password,
                                         INTERNET_SERVICE_FTP, INTERNET_FLAG_PASSIVE | INTERNET_FLAG_KEEP_CONNECTION,
                                         0);
    if (!connection_) {
        FtpFailure failure = LastFtpFailure();
        FTP_LOG("Error: Could not open (passive) ftp connection to server [%s] port:%i. Err:%lu/%lu. %s",
                host.c_str(), port, failure.error, failure.responseCode, failure.response.c_str());
        Close();
        return 1;
    }
    return 0;
}

bool FtpSession::EnsureDirectory(const std::wstring& directory)
{
    if (!connection_)
        return false;
    if (FtpSetCurrentDirectoryW(connection_, directory.c_str()))
        return true;
    if (FtpCreateDirectoryW(connection_, directory.c_str()))
        return true;
    FtpFailure failure = LastFtpFailure();
    std::string shown = ToNarrow(directory);
    FTP_LOG("Error: Could not create remote directory [%s]. Err:%lu/%lu. %s", shown.c_str(), failure.error,
            failure.responseCode, failure.response.c_str());
    return false;
}

int FtpSession::PutFile(const std::wstring& localPath, const std::wstring& remotePath)
{
    if (!connection_)
        return 1;
    std::string shownLocal = ToNarrow(localPath);
    std::string shownRemote = ToNarrow(remotePath);
    FTP_LOG("Putting file: [%s] to [%s]", shownLocal.c_str(), shownRemote.c_str());
    if (FtpPutFileW(connection_, localPath.c_str(), remotePath.c_str(), FTP_TRANSFER_TYPE_BINARY, 0))
        return 0;
    FtpFailure failure = LastFtpFailure();
    FTP_LOG("Error putting file: [%s]. Err:%lu/%lu. %s", shownLocal.c_str(), failure.error, failure.responseCode,
            failure.response.c_str());
    return failure.error ? static_cast<int>(failure.error) : 1;
}
