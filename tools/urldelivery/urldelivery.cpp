// Sends one kind of result through the scanner's URL transport, as the work thread does, and prints
// what the call did:
//   urldelivery <program folder> <kind> [key=value ...]
// kind: reports, statistics, suspicious or filtered. Keys: reports, statistics, suspicious (folders),
// url, statsUrl, vlmUrl, suspiciousUrl, agent, user, appRef, clientVersion, proxy, port, proxyUser,
// proxyPassword, hold=1 (keep the final analysis report back), deleteFailed=1.
// Output, last line: "result=<0|1> sent=<n> left=<n>".
#include "DeliveryUrl.h"
#include "TessalyConfig.h"
#include "TextHelpers.h"
#include "WorkFolders.h"

#include <stdio.h>
#include <string.h>

#include <string>

int main(int argc, char** argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: urldelivery <program folder> <kind> [key=value ...]\n");
        return 2;
    }
    static TessalyConfig config;
    config.programFolder = argv[1];
    const std::string kindName = argv[2];
    DeliveryKind kind = KIND_COUNT;
    for (int k = 0; k < KIND_COUNT; ++k)
        if (kindName == DeliveryKindName(static_cast<DeliveryKind>(k)))
            kind = static_cast<DeliveryKind>(k);
    if (kind == KIND_COUNT) {
        fprintf(stderr, "unknown kind %s\n", kindName.c_str());
        return 2;
    }
    DeliveryOptions options;
    std::string statsUrl;
    struct Field {
        const char* key;
        std::wstring* value;
    } const fields[] = {
        {"reports", &WorkFolder(config, FOLDER_REPORT)},
        {"statistics", &WorkFolder(config, FOLDER_STATISTIC)},
        {"suspicious", &WorkFolder(config, FOLDER_SUSPICIOUS)},
        {"url", &config.reportsUrl},
        {"vlmUrl", &config.vlmUrl},
        {"suspiciousUrl", &config.suspiciousUrl},
        {"agent", &config.platformVersion},
        {"user", &config.user},
        {"appRef", &config.appRefVersion},
        {"clientVersion", &config.clientVersion},
        {"proxy", &config.proxyServer},
        {"port", &config.proxyPort},
        {"proxyUser", &config.proxyUser},
        {"proxyPassword", &config.proxyPassword},
    };
    for (int i = 3; i < argc; ++i) {
        const char* eq = strchr(argv[i], '=');
        if (!eq) {
            fprintf(stderr, "not key=value: %s\n", argv[i]);
            return 2;
        }
        const std::string key(argv[i], eq - argv[i]);
        const std::string value(eq + 1);
        bool known = true;
        if (key == "hold")
            options.holdFinalReport = value == "1";
        else if (key == "deleteFailed")
            options.deleteFailed = value == "1";
        else if (key == "statsUrl")
            statsUrl = value;
        else {
            known = false;
            for (const Field& field : fields)
                if (key == field.key) {
                    *field.value = ToWide(value);
                    known = true;
                }
        }
        if (!known) {
            fprintf(stderr, "unknown key %s\n", key.c_str());
            return 2;
        }
    }
    UrlDelivery& delivery = UrlDeliveryInstance(config);
    delivery.SetStatisticsUrl(statsUrl);
    DeliveryCounters counters;
    const bool result = delivery.Deliver(kind, options, counters);
    printf("result=%d sent=%lu left=%lu\n", result ? 1 : 0, counters.sent, counters.left);
    return 0;
}
