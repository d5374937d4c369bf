// The result holder: counters and detections of the analyses, the AnalysisDetails and AnalysisData
// documents in the local reports folder, and error reports.

#include "ScanResultData.h"

#include "Guid.h"
#include "KVCripto.h"
#include "KVEReport.h"
#include "KVLog.h"
#include "ResultDocumentFacts.h"
#include "ResultDocumentFile.h"
#include "ResultDocumentText.h"
#include "ScopeLogger.h"
#include "TessalyConfig.h"
#include "TextHelpers.h"

#include <windows.h>

namespace {

// Name of the AnalysisDetails document of the end of the analyses; a later run overwrites it.
const wchar_t kEndDetailsName[] = L"{00000000-0000-0000-0000-000000000000}.xml";

// Result of the document functions on failure.
constexpr int kDocumentFailed = 8;

const char* const kErrorMessages[] = {
    "",
    "Config file does not exist",
    "Config file is not valid, [Tessaly] section is missing",
    "ComputerID could not be saved in registry",
    "Error creating ComputerDetails file",
    "Error copying ComputerDetails file to configured reports folder",
    "Configuration file is incorrectly obfuscated",
    "Error creating AnalysisDetails file",
    "Error copying AnalysisDetails file to configured reports folder",
    "Error copying AnalysisData file to configured reports folder",
    "Error copying file to suspicious folder",
    "Error ending suspicious process",
    "Error creating PZ file",
    "Error copying file to reports folder",
};

ScanErrorRecord MakeRecord(int code, const std::wstring& text)
{
    ScanErrorRecord record;
    record.code = code;
    record.systemError = GetLastError();
    record.created = time(nullptr);
    record.text = text;
    return record;
}

} // namespace

const char* ScanErrorMessage(int code)
{
    if (code < 1 || code >= static_cast<int>(sizeof kErrorMessages / sizeof kErrorMessages[0]))
        return "";
    return kErrorMessages[code];
}

ScanResultData::ScanResultData(TessalyConfig& config, std::string& machineId)
    : newGuid(NewBracedGuid), encryptBuffer(KV_EncryptBuffer), config_(config), machineId_(machineId)
{
}

void ScanResultData::BeginAnalysis(bool mailAnalysis, bool memoryAnalysis)
{
    analysisGuid = config_.instanceId;
    mail = mailAnalysis;
    memory = memoryAnalysis;
    analysis = ScanCounters();
    reports.clear();
}

void ScanResultData::AddReport(const ReportEntry& entry)
{
    reports.push_back(entry);
    if (config_.reportType == REPORT_ONLINE)
        SendMalwareReport(false);
}

void ScanResultData::EndAnalysis()
{
    if (config_.reportType == REPORT_GROUPED)
        SendMalwareReport(true);
    totals.elements += analysis.elements;
    totals.files += analysis.files;
    totals.messages += analysis.messages;
}

void ScanResultData::WriteAnalysisDetails(bool atStart)
{
    analysisGuid = config_.instanceId;
    time_t now = time(nullptr);
    if (atStart) {
        startTime = now;
        totals = ScanCounters();
    } else if ((config_.analysisKinds & (ANALYSIS_OUTLOOK | ANALYSIS_OUTLOOK_EXPRESS)) && addMailCounters) {
        addMailCounters(totals);
    }
    endTime = now;
    SendAnalysisDetailsReport(atStart);
}

int ScanResultData::SendAnalysisDetailsReport(bool atStart)
{
    KV_SCOPE(config_.logModule.c_str(), "ScanResultData::SendAnalysisDetailsReport");
    const char* module = config_.logModule.c_str();

    AnalysisDetailsFacts facts;
    facts.atStart = atStart;
    facts.analysisGuid = analysisGuid;
    facts.auditGuid = config_.auditGuid;
    facts.computerGuid = machineId_;
    facts.disinfection = config_.disinfection;
    facts.startTime = startTime;
    facts.endTime = endTime;
    facts.clientVersion = config_.clientVersion;
    facts.engineVersion = ProgramFileVersion(config_, L"zoscan.dll");
    facts.heuristicVersion = ProgramFileVersion(config_, L"zokahk.dll");
    facts.allDisks = (config_.analysisKinds & ANALYSIS_ALL_DISKS) != 0;
    facts.qelsigDate = QelsigDateText(config_);
    facts.totals = totals;

    std::string text;
    if (!AnalysisDetailsText(facts, text)) {
        KV_GenerateErrorReport(config_.instanceId.c_str(), module, 2501, "Error creating initial analysis report", 0,
                               "", 0, config_.reportsPathA.c_str(), config_.configWasEncrypted ? 1 : 0);
        return kDocumentFailed;
    }
    std::string bytes;
    if (!DocumentBytes(config_, encryptBuffer, text, bytes)) {
        KV_GenerateLog(module, KV_SOURCE_FILE, __LINE__, "Error encrypting AnalysisDetails file");
        return kDocumentFailed;
    }

    std::wstring folder = LocalReportsFolder(config_);
    CreateDirectoryW(folder.c_str(), nullptr);
    std::wstring path = atStart ? NewDocumentPath(folder, newGuid, "AnalysisDetails", analysisGuid)
                                : folder + L"\\" + kEndDetailsName;
    std::string pathA = ToNarrow(path);

    switch (WriteDocumentFile(path, bytes)) {
    case DOCUMENT_WRITTEN:
        KV_GenerateLog(module, KV_SOURCE_FILE, __LINE__, "Written AnalysisDetails file [%s]", pathA.c_str());
        return 0;
    case DOCUMENT_NOT_CREATED:
        KV_GenerateLog(module, KV_SOURCE_FILE, __LINE__, "Error creating AnalysisDetails file [%s]", pathA.c_str());
        ReportError(MakeRecord(7, path));
        return kDocumentFailed;
    default:
        KV_GenerateLog(module, KV_SOURCE_FILE, __LINE__, "Error writing AnalysisDetails file [%s]", pathA.c_str());
        ReportError(MakeRecord(7, std::wstring()));
        return kDocumentFailed;
    }
}

int ScanResultData::SendMalwareReport(bool all)
{
    KV_SCOPE(config_.logModule.c_str(), "ScanResultData::SendMalwareReport");
    const char* module = config_.logModule.c_str();

    std::vector<const ReportEntry*> chosen;
    if (all) {
        for (const ReportEntry& entry : reports)
            chosen.push_back(&entry);
    } else if (!reports.empty()) {
        chosen.push_back(&reports.back());
    }
    AnalysisDataOptions options;
    options.analysisGuid = analysisGuid;
    options.obtainMalwarePath = config_.obtainMalwarePath;
    options.disinfection = config_.disinfection;
    std::string text = AnalysisDataText(chosen, options);
    if (text.empty())
        return 0;

    std::string bytes;
    if (!DocumentBytes(config_, encryptBuffer, text, bytes)) {
        KV_GenerateLog(module, KV_SOURCE_FILE, __LINE__, "Error encrypting AnalysisData file");
        return kDocumentFailed;
    }
    std::wstring folder = LocalReportsFolder(config_);
    CreateDirectoryW(folder.c_str(), nullptr);
    std::wstring path = NewDocumentPath(folder, newGuid, "AnalysisData", analysisGuid);
    std::string pathA = ToNarrow(path);

    int result = WriteDocumentFile(path, bytes);
    if (result == DOCUMENT_WRITTEN) {
        KV_GenerateLog(module, KV_SOURCE_FILE, __LINE__, "Correctly created AnalysisData file [%s]", pathA.c_str());
        return 0;
    }
    const char* format =
        result == DOCUMENT_NOT_CREATED ? "Error creating AnalysisData file [%s]" : "Error writing AnalysisData file [%s]";
    KV_GenerateLog(module, KV_SOURCE_FILE, __LINE__, format, pathA.c_str());
    char message[MAX_PATH + 64];
    snprintf(message, sizeof message, format, pathA.c_str());
    ReportError(MakeRecord(0, ToWide(message)));
    return result;
}

void ScanResultData::ReportError(const ScanErrorRecord& record)
{
    DWORD systemError = GetLastError();
    std::string text = XmlEscapeUtf8(record.text);
    KV_GenerateErrorReport(config_.instanceId.c_str(), config_.logModule.c_str(), record.code,
                           ScanErrorMessage(record.code), static_cast<int>(systemError), text.c_str(), record.flag,
                           config_.reportsPathA.c_str(), config_.configWasEncrypted ? 1 : 0);
}
