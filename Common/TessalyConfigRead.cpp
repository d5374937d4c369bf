// Reading the configuration's sections into the typed fields.
#include "TessalyConfig.h"

#include "ConfigValues.h"
#include "TextHelpers.h"

#include <cstdio>
#include <cstdlib>
#include <cwchar>

namespace {

const wchar_t kMain[] = L"KVSCAN_MAINCONFIG";
const wchar_t kScan[] = L"KVSCAN_SCANCONFIG";
const wchar_t kProcess[] = L"KVSCAN_PROCESS";

struct TextKey {
    const wchar_t* key;
    std::wstring TessalyConfig::*field;
};

struct BoolKey {
    const wchar_t* key;
    bool TessalyConfig::*field;
};

struct IntKey {
    const wchar_t* key;
    int TessalyConfig::*field;
};

void ReadTexts(TessalyConfig& config, IniDocument document, const wchar_t* section, const TextKey* keys, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        ReadText(document, section, keys[i].key, config.*keys[i].field);
}

void ReadBools(TessalyConfig& config, IniDocument document, const wchar_t* section, const BoolKey* keys, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        ReadBool(document, section, keys[i].key, config.*keys[i].field);
}

template <size_t N>
void ReadTexts(TessalyConfig& config, IniDocument document, const wchar_t* section, const TextKey (&keys)[N])
{
    ReadTexts(config, document, section, keys, N);
}

template <size_t N>
void ReadBools(TessalyConfig& config, IniDocument document, const wchar_t* section, const BoolKey (&keys)[N])
{
    ReadBools(config, document, section, keys, N);
}

std::wstring ExpandEnvironment(const std::wstring& text)
{
    wchar_t expanded[260];
    DWORD got = ExpandEnvironmentStringsW(text.c_str(), expanded, 260);
    return got > 0 && got <= 260 ? std::wstring(expanded) : text;
}

} // namespace

void TessalyConfig::ReadMainConfig(IniDocument document)
{
    ReadText(document, kMain, L"AuditGUID", auditGuid);
    ReadText(document, kMain, L"User", user);
    ReadText(document, kMain, L"MainProcess", mainProcess);
    ReadBool(document, kMain, L"CheckAdmin", checkAdmin);
    static const TextKey kFolders[] = {
        {L"ReportFolder", &TessalyConfig::reportFolder},
        {L"QuarantineFolder", &TessalyConfig::quarantineFolder},
        {L"StatisticFolder", &TessalyConfig::statisticFolder},
        {L"SuspiciousFolder", &TessalyConfig::suspiciousFolder},
        {L"FilteredElementsFolder", &TessalyConfig::filteredElementsFolder},
    };
    ReadTexts(*this, document, kMain, kFolders);
    bareReportFolder = reportFolder;
    bareQuarantineFolder = quarantineFolder;
    bareSuspiciousFolder = suspiciousFolder;
    bareStatisticFolder = statisticFolder;
    bareFilteredElementsFolder = filteredElementsFolder;

    ReadBool(document, kMain, L"CheckUpdates", checkUpdates);
    static const TextKey kTexts[] = {
        {L"QueriesURL", &TessalyConfig::queriesUrl},       {L"ReportsURL", &TessalyConfig::reportsUrl},
        {L"ReportsFTP", &TessalyConfig::reportsFtp},       {L"SuspiciousURL", &TessalyConfig::suspiciousUrl},
        {L"VLMURL", &TessalyConfig::vlmUrl},               {L"SendReportPeriodicity", &TessalyConfig::sendReportPeriodicity},
        {L"ProxyServer", &TessalyConfig::proxyServer},     {L"ProxyPort", &TessalyConfig::proxyPort},
        {L"ProxyUser", &TessalyConfig::proxyUser},         {L"ProxyPassword", &TessalyConfig::proxyPassword},
        {L"FTPUser", &TessalyConfig::ftpUser},             {L"FTPPassword", &TessalyConfig::ftpPassword},
    };
    ReadTexts(*this, document, kMain, kTexts);
    if (ReadText(document, kMain, L"ReportsFolder", reportsFolder))
        reportsFolder = ExpandEnvironment(reportsFolder);
    static const wchar_t* const kPolicies[] = {L"Notify", L"Restart", L"Ignore"};
    int policy = ReadChoice(document, kMain, L"OnRestartNeeded", kPolicies, 3);
    if (policy >= 0)
        onRestartNeeded = policy;
    static const BoolKey kBools[] = {
        {L"AllowSystemShutdown", &TessalyConfig::allowSystemShutdown},
        {L"Disinfection", &TessalyConfig::disinfection},
        {L"GenerateStatistics", &TessalyConfig::generateStatistics},
    };
    ReadBools(*this, document, kMain, kBools);
}

void TessalyConfig::ReadProcesses(IniDocument document)
{
    processes.clear();
    for (int n = 1; n <= 99; ++n) {
        wchar_t number[8];
        swprintf(number, 8, L"%.i", n);
        ProcessEntry entry;
        ReadText(document, kProcess, (std::wstring(L"Command") + number).c_str(), entry.command);
        if (entry.command.empty())
            continue;
        ReadText(document, kProcess, (std::wstring(L"Params") + number).c_str(), entry.params);
        if (ReadText(document, kProcess, (std::wstring(L"TimeOut") + number).c_str(), entry.timeOut) &&
            (entry.timeOut.empty() || entry.timeOut == L"0"))
            entry.timeOut = L"INFINITE";
        ReadBool(document, kProcess, (std::wstring(L"Wait") + number).c_str(), entry.wait);
        processes.push_back(entry);
    }
}

void TessalyConfig::ReadScanConfig(IniDocument document)
{
    const std::wstring folder = ToWide(programFolder);
    if (!ReadText(document, kScan, L"Reports", reportsPath))
        reportsPath = folder + L"\\" + reportFolder;
    reportsPathA = ToNarrow(reportsPath);
    if (!ReadText(document, kScan, L"QuarantineFolder", quarantinePath))
        quarantinePath = folder + L"\\" + quarantineFolder;
    if (!ReadText(document, kScan, L"SuspiciousFolder", suspiciousPath))
        suspiciousPath = folder + L"\\" + suspiciousFolder;

    analysisKinds = 0;
    const struct {
        const wchar_t* key;
        unsigned bit;
        bool byDefault;
    } kKinds[] = {
        {L"MemoryAnalysis", ANALYSIS_MEMORY, true},          {L"AllDiskAnalysis", ANALYSIS_ALL_DISKS, true},
        {L"OutlookAnalysis", ANALYSIS_OUTLOOK, true},        {L"OEAnalysis", ANALYSIS_OUTLOOK_EXPRESS, true},
        {L"NetworkAnalysis", ANALYSIS_NETWORK_DRIVES, false}, {L"RemovalDisk", ANALYSIS_REMOVABLE_DISKS, false},
    };
    for (const auto& kind : kKinds)
        if (kind.byDefault ? ReadUnlessNo(document, kScan, kind.key) : ReadStrictYes(document, kScan, kind.key))
            analysisKinds |= kind.bit;

    ReadText(document, kScan, L"PathAnalysis", pathAnalysis);
    static const BoolKey kSwitches[] = {
        {L"StealthMode", &TessalyConfig::stealthMode},
        {L"ActivateVirusScan", &TessalyConfig::activateVirusScan},
        {L"ActivateSpywareScan", &TessalyConfig::activateSpywareScan},
        {L"ActivateJokesScan", &TessalyConfig::activateJokesScan},
        {L"ActivateDialersScan", &TessalyConfig::activateDialersScan},
        {L"ActivateHackingToolsScan", &TessalyConfig::activateHackingToolsScan},
        {L"ActivateTrackingToolsScan", &TessalyConfig::activateTrackingToolsScan},
        {L"ActivateSecurityRiskScan", &TessalyConfig::activateSecurityRiskScan},
        {L"ActivateCookiesScan", &TessalyConfig::activateCookiesScan},
    };
    ReadBools(*this, document, kScan, kSwitches);

    static const IntKey kActions[] = {
        {L"VirusAction", &TessalyConfig::virusAction},
        {L"SpywareAction", &TessalyConfig::spywareAction},
        {L"JokesAction", &TessalyConfig::jokesAction},
        {L"DialersAction", &TessalyConfig::dialersAction},
        {L"HackingToolsAction", &TessalyConfig::hackingToolsAction},
        {L"TrackingToolsAction", &TessalyConfig::trackingToolsAction},
        {L"SecurityRiskAction", &TessalyConfig::securityRiskAction},
        {L"CookiesAction", &TessalyConfig::cookiesAction},
    };
    static const wchar_t* const kActionNames[] = {L"disinfect", L"inform"};
    for (const IntKey& action : kActions) {
        if (!disinfection) {
            this->*action.field = MALWARE_INFORM;
            continue;
        }
        int chosen = ReadChoice(document, kScan, action.key, kActionNames, 2);
        if (chosen >= 0)
            this->*action.field = chosen; // MALWARE_DISINFECT or MALWARE_INFORM
    }

    std::wstring text;
    if (ReadText(document, kScan, L"SecondaryAction", text)) {
        static const wchar_t* const kSecondary[] = {L"Delete", L"Rename", L"Quarantine"};
        static const int kSecondaryValues[] = {MALWARE_DELETE, MALWARE_RENAME, MALWARE_QUARANTINE};
        int chosen = ReadChoice(document, kScan, L"SecondaryAction", kSecondary, 3);
        secondaryAction = chosen >= 0 ? kSecondaryValues[chosen] : MALWARE_IGNORE;
    }
    ReadBool(document, kScan, L"AskOutlookProfile", askOutlookProfile);

    static const IntKey kSensitivities[] = {
        {L"MemoryHeuristicSensitivity", &TessalyConfig::memoryHeuristicSensitivity},
        {L"DiskHeuristicSensitivity", &TessalyConfig::diskHeuristicSensitivity},
        {L"MailHeuristicSensitivity", &TessalyConfig::mailHeuristicSensitivity},
    };
    static const wchar_t* const kLevels[] = {L"High", L"Medium", L"Low", L"Off", L"Intensive"};
    for (const IntKey& sensitivity : kSensitivities) {
        int chosen = ReadChoice(document, kScan, sensitivity.key, kLevels, 5);
        this->*sensitivity.field = chosen >= 0 ? chosen : HEURISTIC_MEDIUM;
    }

    if (ReadText(document, kScan, L"ReportType", text))
        reportType = _wcsicmp(text.c_str(), L"Online") == 0 ? REPORT_ONLINE : REPORT_GROUPED;
    ReadBool(document, kScan, L"KillSuspiciousProcess", killSuspiciousProcess);
    if (ReadText(document, kScan, L"CpuUsage", text)) {
        cpuUsage = _wtoi(text.c_str());
        cpuUsage = cpuUsage < 20 ? 20 : cpuUsage > 100 ? 100 : cpuUsage;
    }
    ReadBool(document, kScan, L"ShowProgress", showProgress);
    if (ReadText(document, kScan, L"MaxNumDetections", text))
        maxNumDetections = _wtoi(text.c_str());
    ReadBool(document, kScan, L"HiddenFileAnalysis", hiddenFileAnalysis);
    ReadBool(document, kScan, L"UseRemoteThreadAnalysis", useRemoteThreadAnalysis);
    static const TextKey kAppearance[] = {
        {L"BackgroundImage", &TessalyConfig::backgroundImage},
        {L"WindowTitle", &TessalyConfig::windowTitle},
        {L"WindowIcon", &TessalyConfig::windowIcon},
        {L"AdditionalText", &TessalyConfig::additionalText},
    };
    ReadTexts(*this, document, kScan, kAppearance);
}

void TessalyConfig::ReadLists(IniDocument document)
{
    ReadList(document, L"KVSCAN_EXCLUDEOS", excludeOs);
    ReadList(document, L"KVSCAN_COMPUTERLIST", computerList);
    ReadList(document, L"KVSCAN_EXCLUDESUSPICIOUSEXTENSION", excludeSuspiciousExtensions);
    ReadList(document, L"KVSCAN_EXCLUDEFOLDERS", excludeFolders);
    excludeFolders.push_back(quarantinePath);
    excludeFolders.push_back(suspiciousPath);
    excludeFolders.push_back(ToWide(programFolder));
    ReadList(document, L"KVSCAN_EXCLUDEEXTENSION", excludeExtensions);
    ReadList(document, L"KVSCAN_INTENSIVEANALYSISPATHS", intensiveAnalysisPaths);
    ReadList(document, L"KVSCAN_DISINFECTMALWARELIST", disinfectMalwareList);
    ReadList(document, L"KVSCAN_EXCLUDEMALWARELIST", excludeMalwareList);
}

void TessalyConfig::ReadAppRefVersion(IniDocument document)
{
    ReadText(document, kMain, L"AppRefVersion", appRefVersion);
    if (appRefVersion.size() != 32) {
        appRefVersion.clear();
    } else {
        std::string ansi = ToNarrow(appRefVersion);
        auto number = [&ansi](size_t from, size_t count) { return atoi(ansi.substr(from, count).c_str()); };
        productId = number(0, 4);
        versionMajor = number(4, 2);
        versionMinor = number(7, 2);
        versionRevision = number(10, 2);
        versionBuild = number(13, 4);
        char text[32]; // room for every two-digit major version in both texts
        snprintf(text, sizeof text, "%i.%02i.%02i.%02i", versionMajor, versionMinor, versionRevision, versionBuild);
        clientVersion = ToWide(std::string(text));
        snprintf(text, sizeof text, "Morvik %i.%02i.%02i", versionMajor, versionMinor, versionRevision);
        platformVersion = ToWide(std::string(text));
    }
    obtainIp = ReadStrictYes(document, kMain, L"ObtainIP");
    obtainDomain = ReadStrictYes(document, kMain, L"ObtainDomain");
    obtainUserName = ReadStrictYes(document, kMain, L"ObtainUserName");
    obtainUserGroup = ReadStrictYes(document, kMain, L"ObtainUserGroup");
    obtainMalwarePath = ReadStrictYes(document, kMain, L"ObtainMalwarePath");
}
