// The nine exports: each checks its record, runs its operation and never lets an exception out.
#include <windows.h>

#include "ConnectionTest.h"
#include "SendFiles.h"
#include "Text.h"
#include "ZONEngAv.h"

namespace {

// Operations whose delivery paths are not part of this library yet: they do no work and fail.
int NotAvailable(const char* operation)
{
    COMS_LOG("%s is not available in this version of the library", operation);
    return 0;
}

} // namespace

extern "C" {

int KVCOMS_API KVCOMS_SendReports(KVCOMS_SENDFILES* record)
{
    try {
        return SendReports(record);
    } catch (...) {
        COMS_LOG("Exception caught in SendReports");
        return 0;
    }
}

int KVCOMS_API KVCOMS_SendStatistics(KVCOMS_SENDFILES* record)
{
    try {
        return SendStatistics(record);
    } catch (...) {
        COMS_LOG("Exception caught in SendStatistics");
        return 0;
    }
}

int KVCOMS_API KVCOMS_SendSuspicious(KVCOMS_SUSPICIOUS* record)
{
    if (!record) {
        COMS_LOG("Struct to send is empty");
        return 0;
    }
    return NotAvailable("SendSuspicious");
}

int KVCOMS_API KVCOMS_SendOneSuspicious(KVCOMS_SUSPICIOUS* record)
{
    if (!record) {
        COMS_LOG("Struct to send is empty");
        return 0;
    }
    return NotAvailable("SendOneSuspicious");
}

int KVCOMS_API KVCOMS_SendSuspiciousQEM(KVCOMS_SUSPICIOUS_QEM* record)
{
    return record ? NotAvailable("SendSuspiciousQEM") : 0;
}

int KVCOMS_API KVCOMS_SendOneSuspiciousQEM(KVCOMS_SUSPICIOUS_QEM* record)
{
    return record ? NotAvailable("SendOneSuspiciousQEM") : 0;
}

int KVCOMS_API KVCOMS_TestConnection(KVCOMS_CONNECTIONTEST* record)
{
    if (!record)
        return 0;
    try {
        return TestInternetConnection(record);
    } catch (...) {
        COMS_LOG("Exception caught in TestInternetConnection");
        return 0;
    }
}

int KVCOMS_API KVCOMS_CheckQelsig(KVCOMS_SIGUPDATE* record)
{
    return record ? NotAvailable("CheckQelsig") : 0;
}

int KVCOMS_API KVCOMS_CheckFiltered(KVCOMS_FILTEREDCHECK* record)
{
    if (!record || !record->digests || record->digestsSize == 0 || !record->answer)
        return 0;
    // The cloud engine comes first: without it no digest can be asked about.
    ZONENGAV_ENGINE engine = nullptr;
    if (ZONENGAV_CreateEngine(&engine) != 0 || !engine) {
        COMS_LOG("Error creating the cloud engine");
        return 0;
    }
    ZONENGAV_ReleaseEngine(engine);
    return NotAvailable("CheckFiltered");
}

} // extern "C"
