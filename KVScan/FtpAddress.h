// The FTP destination named by ReportsFTP: "ftp://host[:port][/path]".
#pragma once

#include <string>

struct FtpAddress {
    std::wstring host;
    unsigned port = 21;
    std::wstring baseDir; // remote base directory, always ending with "/"
};

// 0 parsed; 1 not an FTP address (no "ftp://" prefix in any case, empty host, or a bad port).
int ParseFtpAddress(const std::wstring& text, FtpAddress& address);

// The run folder on the server: the base directory followed by the instance identifier.
std::wstring FtpRunFolder(const FtpAddress& address, const std::wstring& instanceId);
