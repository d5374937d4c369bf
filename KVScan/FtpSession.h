// One passive FTP session over WinINet: the Internet handle (direct or through the configured proxy)
// and the connection to the server, logged in with FTPUser or anonymously.
#pragma once

#include "FtpTransport.h"

#include <windows.h>
#include <wininet.h>

#include <string>

// What went wrong in the last failed WinINet call of this thread: the system error and, for an
// extended error (12003), the server's last response code and text (line breaks turned into blanks).
struct FtpFailure {
    unsigned long error = 0;
    unsigned long responseCode = 0;
    std::string response;
};
FtpFailure LastFtpFailure();

class FtpSession {
public:
    FtpSession() = default;
    ~FtpSession();
    FtpSession(const FtpSession&) = delete;
    FtpSession& operator=(const FtpSession&) = delete;

    // Opens the Internet handle and the passive connection, logging each step. 0 open, 1 failure.
    int Open(const FtpDestination& destination);
    // Closes the connection, then the Internet handle.
    void Close();

    // Changes into directory; when that fails, creates it. False (logged) when it cannot be created.
    bool EnsureDirectory(const std::wstring& directory);
    // Puts localPath as remotePath in binary mode. 0, or the system error (logged).
    int PutFile(const std::wstring& localPath, const std::wstring& remotePath);

private:
    HINTERNET internet_ = nullptr;
    HINTERNET connection_ = nullptr;
};

// The fixed e-mail-shaped password of anonymous logins.
extern const wchar_t kAnonymousFtpPassword[];
