// Filling and checking the progress record.
#include "ProgressRecord.h"

#include "TessalyConfig.h"

#include <cstring>
#include <cwctype>

void SetFixedText(wchar_t* field, size_t capacity, const std::wstring& text)
{
    if (capacity == 0)
        return;
    size_t count = text.size() < capacity - 1 ? text.size() : capacity - 1;
    memset(field, 0, capacity * sizeof(wchar_t));
    if (count)
        memcpy(field, text.data(), count * sizeof(wchar_t));
}

std::wstring FixedText(const wchar_t* field, size_t capacity)
{
    size_t length = 0;
    while (length < capacity && field[length])
        ++length;
    return std::wstring(field, length);
}

void SetProgressStatus(ProgressRecord& record, int status)
{
    record.status = status;
    GetSystemTime(&record.changed);
}

bool FillProgressRecord(ProgressRecord& record, const TessalyConfig& config, int status)
{
    memset(&record, 0, sizeof(record));
    if (config.instanceId.empty())
        return false;
    record.size = kProgressRecordSize;
    SetFixedText(record.auditGuid, config.auditGuid);
    SetFixedText(record.progressId, config.progressId.empty() ? config.computerName : config.progressId);
    SetFixedText(record.instanceId, std::wstring(config.instanceId.begin(), config.instanceId.end()));
    record.clientKind = config.disinfection ? 2 : 1;
    SetFixedText(record.destination, config.reportsFolder.empty() ? config.reportsFtp : config.reportsFolder);
    SetFixedText(record.reportsName, config.bareReportFolder);
    SetFixedText(record.suspiciousName, config.bareSuspiciousFolder);
    SetFixedText(record.quarantineName, config.bareQuarantineFolder);
    SetFixedText(record.statisticsName, config.bareStatisticFolder);
    SetFixedText(record.filteredName, config.bareFilteredElementsFolder);
    record.percentage = 0;
    SetProgressStatus(record, status);
    return true;
}

bool IsBracedGuidText(const std::wstring& text)
{
    static const char kShape[] = "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}";
    if (text.size() != sizeof(kShape) - 1)
        return false;
    for (size_t i = 0; i < text.size(); ++i) {
        if (kShape[i] == 'x') {
            if (!iswxdigit(text[i]) || text[i] > 0x7f)
                return false;
        } else if (text[i] != static_cast<wchar_t>(kShape[i])) {
            return false;
        }
    }
    return true;
}

bool IsWellFormedRecord(const ProgressRecord& record)
{
    return record.size == kProgressRecordSize && IsBracedGuidText(FixedText(record.instanceId));
}
