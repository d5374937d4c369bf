// The FTP transport: the run folder on the server, the upload of each file and of the progress record.
#include "FtpTransport.h"

#include "FtpSession.h"
#include "KVLog.h"
#include "ProgressFile.h"
#include "ScopeLogger.h"
#include "TessalyConfig.h"
#include "TextHelpers.h"

#include <windows.h>

#define FTP_LOG(...) KV_GenerateLog("KvScan", KV_SOURCE_FILE, __LINE__, __VA_ARGS__)

namespace {

// The run folder is named by the braced GUID of the run: anything else (an empty identifier above
// all) would put the files straight into the base directory or elsewhere on the server.
bool HasRunFolder(const FtpDestination& destination)
{
    if (IsBracedGuidText(destination.instanceId))
        return true;
    FTP_LOG("Error: No valid instance identifier for the remote run folder");
    return false;
}

// A file of the system's temporary folder with a name of its own (created empty), for one writer.
bool MakeOwnTemporaryFile(std::wstring& path)
{
    wchar_t folder[MAX_PATH + 1] = {};
    wchar_t name[MAX_PATH + 1] = {};
    DWORD length = GetTempPathW(MAX_PATH, folder);
    if (length == 0 || length > MAX_PATH || !GetTempFileNameW(folder, L"kvp", 0, name))
        return false;
    path = name;
    return true;
}

bool WriteRecordFile(const std::wstring& path, const ProgressRecord& record)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_TEMPORARY, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool ok = WriteFile(file, &record, sizeof(record), &written, nullptr) && written == sizeof(record);
    CloseHandle(file);
    return ok;
}

} // namespace

int FtpDestinationFrom(const TessalyConfig& config, FtpDestination& destination)
{
    destination = FtpDestination();
    if (ParseFtpAddress(config.reportsFtp, destination.address) != 0)
        return 1;
    destination.instanceId = ToWide(config.instanceId);
    destination.user = config.ftpUser;
    destination.password = config.ftpPassword;
    destination.proxyServer = config.proxyServer;
    destination.proxyPort = config.proxyPort;
    return 0;
}

int PrepareFtpDestination(const FtpDestination& destination, const std::vector<std::wstring>& bareNames)
{
    KV_SCOPE("KvScan", "PrepareFtpDestination");
    if (!HasRunFolder(destination))
        return 1;
    FtpSession session;
    if (session.Open(destination) != 0)
        return 1;
    std::wstring run = FtpRunFolder(destination.address, destination.instanceId);
    std::string shown = ToNarrow(run);
    FTP_LOG("Creating remote directory: [%s]", shown.c_str());
    // Every level above the run folder ("/a", "/a/b" of "/a/b/{guid}"), then the run folder itself.
    for (size_t slash = run.find(L'/', 1); slash != std::wstring::npos; slash = run.find(L'/', slash + 1)) {
        if (!session.EnsureDirectory(run.substr(0, slash)))
            return 2;
    }
    if (!session.EnsureDirectory(run))
        return 2;
    for (const std::wstring& name : bareNames) {
        if (!name.empty() && !session.EnsureDirectory(run + L"/" + name))
            return 2;
    }
    return 0;
}

int UploadToFtpDestination(void* context, const std::wstring& localPath, const std::wstring& fileName,
                           const std::wstring& bareName)
{
    const FtpDestination& destination = *static_cast<const FtpDestination*>(context);
    if (!HasRunFolder(destination))
        return 1;
    std::wstring folder = FtpRunFolder(destination.address, destination.instanceId) + L"/" + bareName;
    std::string shownFolder = ToNarrow(folder);
    FTP_LOG("Copying via FTP to: %s", shownFolder.c_str());
    FtpSession session;
    if (session.Open(destination) != 0)
        return 1;
    int error = session.PutFile(localPath, folder + L"/" + fileName);
    session.Close();
    if (error)
        return error;
    std::string shownLocal = ToNarrow(localPath);
    std::string host = ToNarrow(destination.address.host);
    FTP_LOG("Copied file %s via (passive) ftp connection to server [%s] port:%i ", shownLocal.c_str(), host.c_str(),
            static_cast<int>(destination.address.port));
    DeleteFileW(localPath.c_str());
    return 0;
}

int WriteProgressFtp(const FtpDestination& destination, const ProgressRecord& record)
{
    std::wstring instance = FixedText(record.instanceId);
    if (!IsWellFormedRecord(record))
        return 1;
    LockProgressWrites();
    int result = 1;
    std::wstring temporary;
    if (!MakeOwnTemporaryFile(temporary)) {
        FTP_LOG("Error: Could not create a temporary progress file. Err:%lu", GetLastError());
    } else {
        if (WriteRecordFile(temporary, record)) {
            FtpSession session;
            if (session.Open(destination) == 0)
                result = session.PutFile(temporary, destination.address.baseDir + instance + L".dat") ? 1 : 0;
        }
        DeleteFileW(temporary.c_str());
    }
    UnlockProgressWrites();
    return result;
}
