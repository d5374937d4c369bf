// The FTP destination (ReportsFTP): a passive WinINet session opened anew for every file, the run folder
// on the server, the upload of each file and of the progress record.
#pragma once

#include "FtpAddress.h"
#include "ProgressRecord.h"

#include <string>
#include <vector>

class TessalyConfig;

struct FtpDestination {
    FtpAddress address;
    std::wstring instanceId;  // the run folder's name
    std::wstring user;        // FTPUser; empty: anonymous
    std::wstring password;    // FTPPassword
    std::wstring proxyServer; // empty: direct
    std::wstring proxyPort;
};

// Fills destination from the configuration. 1 when ReportsFTP is not an FTP address, else 0.
int FtpDestinationFrom(const TessalyConfig& config, FtpDestination& destination);

// Creates every missing level of the run folder and one sub-folder per bare name (empty names skipped);
// nothing on the server is deleted. 0 done, 1 no session, 2 a directory could not be created.
int PrepareFtpDestination(const FtpDestination& destination, const std::vector<std::wstring>& bareNames);

// A SendOneFile transport; context is an FtpDestination. Uploads the file in binary mode as
// run folder + "/" + bareName + "/" + fileName and deletes the local file. 0 or the error.
int UploadToFtpDestination(void* context, const std::wstring& localPath, const std::wstring& fileName,
                           const std::wstring& bareName);

// Uploads record into the remote base directory as instance identifier + ".dat", through a temporary
// file of its own (concurrent writers never share one). 0 success, non-zero failure.
int WriteProgressFtp(const FtpDestination& destination, const ProgressRecord& record);
