#include "EngineRecords.h"

#include "Md5.h"

#include <cstring>

namespace {

void CopyText(char (&buffer)[33], const std::string& text)
{
    size_t length = text.size() < 32 ? text.size() : 32;
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
}

} // namespace

std::string InstallationIdentifier(const std::string& programFolder)
{
    return ShortPathHash(programFolder.c_str());
}

void FillAnalysisSystemRecord(ZoAnalysisSystemRecord& record, char (&idBuffer)[33], char (&versionBuffer)[33],
                              const std::string& installationId, const std::string& appRefVersion)
{
    CopyText(idBuffer, installationId);
    CopyText(versionBuffer, appRefVersion);
    record.size = sizeof(ZoAnalysisSystemRecord);
    record.installationId = idBuffer;
    record.appRefVersion = versionBuffer;
}

void FillScanSystemRecord(ZoScanSystemRecord& record, char* folder1, char* folder2,
                          const std::string& installationId, const std::string& appRefVersion)
{
    std::memset(&record, 0, sizeof record);
    record.size = sizeof(ZoScanSystemRecord);
    record.folder1 = folder1;
    record.folder2 = folder2;
    CopyText(record.installationId, installationId);
    CopyText(record.appRefVersion, appRefVersion);
}
