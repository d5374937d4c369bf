// Drives the scanner's FTP transport the way the work thread does and prints what each step did:
//   ftpdeliver key=value ...
// Keys: ftp (ReportsFTP), instance (braced GUID), user, password (FTPUser, FTPPassword), proxy, port,
// audit (AuditGUID), progressId, filtered (the filtered-elements folder name), and the steps:
//   prepare=1                  create the run folder and its sub-folders
//   send=<kind> folder=<path>  send one work folder (reports, statistics, suspicious or filtered)
//   progress=<status>          write a progress record with that status (percent=<n> sets its percentage)
// Output, last line: "prepare=<r> send=<r> failed=<n> progress=<r>" with the steps that ran.
#include "FtpTransport.h"
#include "ProgressRecord.h"
#include "SendFolder.h"
#include "TessalyConfig.h"
#include "TextHelpers.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

namespace {

struct KindEntry {
    const char* name;
    SendKind kind;
};

const KindEntry kKinds[] = {
    {"reports", SEND_REPORTS},
    {"statistics", SEND_STATS},
    {"suspicious", SEND_SUSPICIOUS},
    {"filtered", SEND_FILTERED},
};

const std::wstring& BareName(const TessalyConfig& config, SendKind kind)
{
    switch (kind) {
    case SEND_REPORTS:
        return config.bareReportFolder;
    case SEND_STATS:
        return config.bareStatisticFolder;
    case SEND_SUSPICIOUS:
        return config.bareSuspiciousFolder;
    default:
        return config.bareFilteredElementsFolder;
    }
}

} // namespace

int main(int argc, char** argv)
{
    static TessalyConfig config;
    config.computerName = L"FTPDELIVER-PC";
    std::string prepare, send, folder, progress, percent;
    std::string instance;
    struct Field {
        const char* key;
        std::wstring* wide;
        std::string* narrow;
    } const fields[] = {
        {"ftp", &config.reportsFtp, nullptr},
        {"user", &config.ftpUser, nullptr},
        {"password", &config.ftpPassword, nullptr},
        {"proxy", &config.proxyServer, nullptr},
        {"port", &config.proxyPort, nullptr},
        {"audit", &config.auditGuid, nullptr},
        {"progressId", &config.progressId, nullptr},
        {"filtered", &config.bareFilteredElementsFolder, nullptr},
        {"instance", nullptr, &config.instanceId},
        {"prepare", nullptr, &prepare},
        {"send", nullptr, &send},
        {"folder", nullptr, &folder},
        {"progress", nullptr, &progress},
        {"percent", nullptr, &percent},
    };
    for (int i = 1; i < argc; ++i) {
        const char* eq = strchr(argv[i], '=');
        const Field* match = nullptr;
        for (const Field& field : fields)
            if (eq && std::string(argv[i], eq - argv[i]) == field.key)
                match = &field;
        if (!match) {
            fprintf(stderr, "unknown argument %s\n", argv[i]);
            return 2;
        }
        if (match->wide)
            *match->wide = ToWide(std::string(eq + 1));
        else
            *match->narrow = eq + 1;
    }

    FtpDestination destination;
    if (FtpDestinationFrom(config, destination) != 0) {
        printf("address=1\n");
        return 0;
    }
    std::string out;
    char part[64];
    if (prepare == "1") {
        std::vector<std::wstring> names = {config.bareReportFolder, config.bareQuarantineFolder,
                                           config.bareSuspiciousFolder, config.bareStatisticFolder,
                                           config.bareFilteredElementsFolder};
        snprintf(part, sizeof(part), "prepare=%d ", PrepareFtpDestination(destination, names));
        out += part;
    }
    if (!send.empty()) {
        const KindEntry* kind = nullptr;
        for (const KindEntry& entry : kKinds)
            if (send == entry.name)
                kind = &entry;
        if (!kind) {
            fprintf(stderr, "unknown kind %s\n", send.c_str());
            return 2;
        }
        SendRequest request = {kind->kind, ToWide(folder), BareName(config, kind->kind)};
        unsigned long failed = 0;
        int result = SendWorkFolder(request, UploadToFtpDestination, &destination, failed);
        snprintf(part, sizeof(part), "send=%d failed=%lu ", result, failed);
        out += part;
    }
    if (!progress.empty()) {
        ProgressRecord record;
        int result = 1;
        if (FillProgressRecord(record, config, atoi(progress.c_str()))) {
            record.percentage = atoi(percent.c_str());
            result = WriteProgressFtp(destination, record);
        }
        snprintf(part, sizeof(part), "progress=%d ", result);
        out += part;
    }
    if (!out.empty())
        out.pop_back();
    printf("%s\n", out.c_str());
    return 0;
}
