#include "SendFiles.h"

#include <windows.h>

#include <vector>

#include "Compression.h"
#include "HttpUpload.h"
#include "Text.h"

namespace {

struct SendTexts {
    const char* noRecord;
    const char* searching;
    const char* tooLarge;
    const char* found;
    const char* nothing;
    const char* starting;
    const char* failed;
    const char* sent;
};

const SendTexts kReportTexts = {
    "Struct to send is empty --SendReports()--",
    "Searching for files in %s",
    "Report [%s] exceeds maximum file size [%d bytes, file size: %d bytes]",
    "Found the following report to send: %s",
    "There is no files to send",
    "Starting sending reports",
    "Error sending the report",
    "Report correctly sent",
};

const SendTexts kStatisticTexts = {
    "Struct to send is empty --SendStatistics()--",
    "Searching for statistics files in %s",
    "Statistics file [%s] exceeds maximum file size [%d bytes, file size: %d bytes]",
    "Found the following statistics file to send: %s",
    "There is no statistics files to send",
    "Starting sending statistics",
    "Error sending the statistics file",
    "Statistics file correctly sent",
};

typedef int (*SendOne)(const std::string&, const std::string&, KVCOMS_SENDFILES&);

UploadTarget TargetOf(KVCOMS_SENDFILES& record, const std::string& url, const std::string& agent,
                      const std::string& path)
{
    UploadTarget target = {url.c_str(), path.c_str(), agent.c_str(), &record.proxy, &record.lastError};
    return target;
}

// The files ready to go, in enumeration order. False when the folder cannot be enumerated.
bool CollectFiles(const std::string& folder, const std::string& excluded, const SendTexts& texts,
                  std::vector<std::string>& names, unsigned& excludedCount)
{
    COMS_LOG(texts.searching, folder.c_str());
    WIN32_FIND_DATAA data;
    HANDLE find = folder.empty() ? INVALID_HANDLE_VALUE : FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) {
        COMS_LOG("Error %d obtaining handleFindFistFile", static_cast<int>(GetLastError()));
        return false;
    }
    do {
        std::string name = data.cFileName;
        if (name == "." || name == ".." || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            continue;
        if (!excluded.empty() && lstrcmpiA(name.c_str(), excluded.c_str()) == 0) {
            COMS_LOG("Report [%s] must be excluded", name.c_str());
            ++excludedCount;
            continue;
        }
        std::string path = folder + "\\" + name;
        // Exclusive: a file that another program still writes stays for a later call.
        HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            COMS_LOG("Can't introduce [%s] in the list", path.c_str());
            continue;
        }
        LARGE_INTEGER size;
        size.QuadPart = 0;
        GetFileSizeEx(file, &size);
        CloseHandle(file);
        if (size.QuadPart > static_cast<LONGLONG>(kMaxSendFileSize)) {
            COMS_LOG(texts.tooLarge, name.c_str(), static_cast<int>(kMaxSendFileSize),
                     static_cast<int>(size.QuadPart));
            DeleteFileA(path.c_str());
            continue;
        }
        names.push_back(name);
        COMS_LOG(texts.found, name.c_str());
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return true;
}

int SendFolder(KVCOMS_SENDFILES* record, bool reports, SendOne sendOne)
{
    const SendTexts& texts = reports ? kReportTexts : kStatisticTexts;
    if (!record) {
        COMS_LOG(texts.noRecord);
        return 0;
    }
    // The out-fields tell what this call did, also when the caller reuses a record.
    record->sentCount = 0;
    record->failedCount = 0;
    record->lastError = KVCOMS_ERR_NONE;

    std::string folder = Field(record->folder);
    std::string excluded = reports ? Field(record->excludedName) : std::string();
    std::vector<std::string> names;
    unsigned excludedCount = 0;
    if (!CollectFiles(folder, excluded, texts, names, excludedCount)) {
        record->lastError = KVCOMS_ERR_FOLDER;
        return 0;
    }
    if (names.empty()) {
        if (excludedCount > 0) {
            COMS_LOG("All files excluded");
            record->failedCount = excludedCount;
        } else {
            COMS_LOG(texts.nothing);
        }
        return 1;
    }
    COMS_LOG(texts.starting);
    int result = 1;
    for (const std::string& name : names) {
        if (sendOne(folder + "\\" + name, name, *record) != 0) {
            COMS_LOG(texts.failed);
            result = 0;
        } else {
            COMS_LOG(texts.sent);
        }
    }
    if (excludedCount > 0) {
        COMS_LOG("%d reports excluded", static_cast<int>(excludedCount));
        record->failedCount += excludedCount;
    }
    return result;
}

bool CheckArguments(const std::string& fullPath, const std::string& name, KVCOMS_SENDFILES& record)
{
    COMS_LOG("Trying to send %s", fullPath.c_str());
    if (fullPath.empty())
        COMS_LOG("Error: Source Path empty");
    else if (name.empty())
        COMS_LOG("Error: File Name empty");
    else
        return true;
    record.lastError = KVCOMS_ERR_EMPTY_NAME;
    return false;
}

// Counts an upload's outcome; an accepted file goes when the record asks for it.
void CountUpload(KVCOMS_SENDFILES& record, int result, const std::string& fullPath)
{
    if (result == 0) {
        if (record.deleteAfterSend)
            DeleteFileA(fullPath.c_str());
        ++record.sentCount;
    } else {
        ++record.failedCount;
    }
}

} // namespace

int SendReports(KVCOMS_SENDFILES* record)
{
    COMS_SCOPE("SendReports");
    return SendFolder(record, true, SendOneReportUrl);
}

int SendStatistics(KVCOMS_SENDFILES* record)
{
    COMS_SCOPE("SendStatistics");
    return SendFolder(record, false, SendOneStatisticUrl);
}

int SendOneReportUrl(const std::string& fullPath, const std::string& name, KVCOMS_SENDFILES& record)
{
    COMS_SCOPE("SendOneReportUrl");
    if (!CheckArguments(fullPath, name, record))
        return 1;
    try {
        std::string url = Field(record.url), agent = Field(record.agent);
        int result = UploadReportHttpWininet(TargetOf(record, url, agent, fullPath));
        CountUpload(record, result, fullPath);
        return result;
    } catch (...) {
        COMS_LOG("Exception caught in SendOneReportUrl. Error code: %d", static_cast<int>(GetLastError()));
        ++record.failedCount;
        return 1;
    }
}

int SendOneStatisticUrl(const std::string& fullPath, const std::string& name, KVCOMS_SENDFILES& record)
{
    COMS_SCOPE("SendOneStatisticUrl");
    if (!CheckArguments(fullPath, name, record))
        return 1;
    try {
        int compressed = CompressToZip(fullPath, name);
        if (compressed != COMPRESS_OK) {
            ++record.failedCount;
            return compressed;
        }
        std::string archive = ArchivePathFor(fullPath);
        std::string url = Field(record.url), agent = Field(record.agent);
        COMS_LOG("Sending file %s to %s", archive.c_str(), url.c_str());
        int result = UploadStatisticHttpWininet(TargetOf(record, url, agent, archive));
        DeleteFileA(archive.c_str());
        CountUpload(record, result, fullPath);
        return result;
    } catch (...) {
        COMS_LOG("Exception caught in SendOneStatisticUrl. Error code: %d", static_cast<int>(GetLastError()));
        DeleteFileA(ArchivePathFor(fullPath).c_str());
        ++record.failedCount;
        return 1;
    }
}
