// The settings dump written to the log after every successful read.
#include "TessalyConfig.h"

#include "KVLog.h"
#include "ScopeLogger.h"
#include "TextHelpers.h"

#include <cstdarg>
#include <cstdio>

namespace {

std::string Format(const char* format, va_list args)
{
    va_list copy;
    va_copy(copy, args);
    int needed = vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text(needed > 0 ? static_cast<size_t>(needed) : 0, '\0');
    if (needed > 0)
        vsnprintf(&text[0], text.size() + 1, format, args);
    return text;
}

std::string Format(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string text = Format(format, args);
    va_end(args);
    return text;
}

class DumpWriter {
public:
    explicit DumpWriter(const std::string& module) : module_(module) {}

    void Line(int line, const char* format, ...) const
    {
        va_list args;
        va_start(args, format);
        std::string text = Format(format, args);
        va_end(args);
        KV_GenerateLog(module_.c_str(), KV_SOURCE_FILE, line, "%s", text.c_str());
    }

private:
    std::string module_;
};

const char* YesNo(bool value)
{
    return value ? "[yes]" : "[no]";
}

// Narrow (ANSI) form of a wide setting, for the log.
std::string N(const std::wstring& text)
{
    return ToNarrow(text);
}

void Lines(const DumpWriter& out, const std::vector<std::wstring>& items)
{
    for (const std::wstring& item : items)
        out.Line(__LINE__, "        %s", N(item).c_str());
}

} // namespace

void TessalyConfig::DumpSettings() const
{
    const DumpWriter out(logModule);
    out.Line(__LINE__, "Morvik Version: %s", N(clientVersion).c_str());
    out.Line(__LINE__, "INI Configuration settings: ");
    out.Line(__LINE__, "    AppRefVersion: [%s]", N(appRefVersion).c_str());
    out.Line(__LINE__, "    Audit Info: ");
    out.Line(__LINE__, "        Guid: [%s]", N(auditGuid).c_str());
    out.Line(__LINE__, "    Temp folders: ");
    out.Line(__LINE__, "        ReportFolder: [%s] - QuarantineFolder: [%s] - SuspiciousFolder [%s]",
             N(reportFolder).c_str(), N(quarantineFolder).c_str(),
             N(suspiciousFolder).c_str());
    out.Line(__LINE__, "        StatisticFolder: [%s] - FilteredFolder: [%s]", N(statisticFolder).c_str(),
             N(filteredElementsFolder).c_str());
    out.Line(__LINE__, "    Destination folders and/or URLS: ");
    out.Line(__LINE__, "        Queries URL: [%s]", N(queriesUrl).c_str());
    out.Line(__LINE__, "        Suspicious URL: [%s] - VLM URL: [%s]", N(suspiciousUrl).c_str(),
             N(vlmUrl).c_str());
    out.Line(__LINE__, "    Reports destination:");
    out.Line(__LINE__, "        Reports Folder: [%s] - Reports URL: [%s]", N(reportsFolder).c_str(),
             N(reportsUrl).c_str());
    out.Line(__LINE__, "    Proxy settings: ");
    out.Line(__LINE__, "        Server: [%s] - Port: [%s] - User: [%s] - Password [********]",
             N(proxyServer).c_str(), N(proxyPort).c_str(),
             N(proxyUser).c_str());
    out.Line(__LINE__, "    Confidentiality settings: ");
    out.Line(__LINE__, "        ObtainDomain: %s - ObtainIP: %s - ObtainMalwarePath: %s", YesNo(obtainDomain), YesNo(obtainIp),
             YesNo(obtainMalwarePath));
    out.Line(__LINE__, "        ObtainUserGroup: %s - ObtainUserName: %s", YesNo(obtainUserGroup), YesNo(obtainUserName));
    out.Line(__LINE__, "    Other KVSCAN_MainConfig section information: ");
    out.Line(__LINE__, "        Disinfection: %s - CheckUpdates: %s", YesNo(disinfection), YesNo(checkUpdates));
    out.Line(__LINE__, "        AllowSystemShutdown: %s - OnRestartNeeded: [%s]", YesNo(allowSystemShutdown),
             RestartPolicyText(onRestartNeeded));
    out.Line(__LINE__, "        GenerateStatistics: %s", YesNo(generateStatistics));
    out.Line(__LINE__, "    Programs to execute: ");
    for (size_t i = 0; i < processes.size(); ++i) {
        const ProcessEntry& p = processes[i];
        std::string entry = Format("Command: [%s] - Params: [%s] - TimeOut: [%s] - Wait: %s", N(p.command).c_str(),
                                   N(p.params).c_str(), N(p.timeOut).c_str(), YesNo(p.wait));
        out.Line(__LINE__, "        %d: %s", static_cast<int>(i), entry.c_str());
    }
    out.Line(__LINE__, "    Elements to analyse: ");
    out.Line(__LINE__, "        MemoryAnalysis: %s - OutlookAnalysis: %s - OEAnalysis: %s",
             YesNo(analysisKinds & ANALYSIS_MEMORY), YesNo(analysisKinds & ANALYSIS_OUTLOOK),
             YesNo(analysisKinds & ANALYSIS_OUTLOOK_EXPRESS));
    out.Line(__LINE__, "        AllDiskAnalysis: %s - NetworkAnalysis: %s - RemovalDisk: %s",
             YesNo(analysisKinds & ANALYSIS_ALL_DISKS), YesNo(analysisKinds & ANALYSIS_NETWORK_DRIVES),
             YesNo(analysisKinds & ANALYSIS_REMOVABLE_DISKS));
    if (!pathAnalysis.empty())
        out.Line(__LINE__, "        PathAnalysis: [%s]", N(pathAnalysis).c_str());
    out.Line(__LINE__, "    Intensive analysis paths: ");
    Lines(out, intensiveAnalysisPaths);
    out.Line(__LINE__, "    Malware Scan: ");
    out.Line(__LINE__, "        ActivateVirusScan: %s - ActivateSpywareScan: %s - ActivateJokesScan: %s - ActivateDialersScan: %s",
             YesNo(activateVirusScan), YesNo(activateSpywareScan), YesNo(activateJokesScan),
             YesNo(activateDialersScan));
    out.Line(__LINE__, "        ActivateHackingToolsScan: %s - ActivateTrackinToolsScan: %s - ActivateSecurityRiskScan: %s - "
             "ActivateCookiesScan: %s",
             YesNo(activateHackingToolsScan), YesNo(activateTrackingToolsScan), YesNo(activateSecurityRiskScan),
             YesNo(activateCookiesScan));
    out.Line(__LINE__, "    Malware Actions: ");
    out.Line(__LINE__, "        VirusAction: [%s] - SpywareAction: [%s] - JokesAction: [%s] - DialersAction: [%s]",
             MalwareActionText(virusAction), MalwareActionText(spywareAction), MalwareActionText(jokesAction),
             MalwareActionText(dialersAction));
    out.Line(__LINE__, "        HackingToolsAction: [%s] - TrackingToolsAction: [%s] - SecurityRiskAction: [%s] - "
             "CookiesAction: [%s]",
             MalwareActionText(hackingToolsAction), MalwareActionText(trackingToolsAction),
             MalwareActionText(securityRiskAction), MalwareActionText(cookiesAction));
    out.Line(__LINE__, "        SecondaryAction: [%s]", MalwareActionText(secondaryAction));
    out.Line(__LINE__, "    Heuristic Sensitivity: ");
    out.Line(__LINE__, "        MemoryHeuristicSensitivity: [%s] - DiskHeuristicSensitivity: [%s] - MailHeuristicSensitivity: [%s]",
             HeuristicSensitivityText(memoryHeuristicSensitivity), HeuristicSensitivityText(diskHeuristicSensitivity),
             HeuristicSensitivityText(mailHeuristicSensitivity));
    out.Line(__LINE__, "    Other KVSCAN_ScanConfig section information");
    out.Line(__LINE__, "        StealthMode: %s - HiddenFileAnalysis: %s - AskOutlookProfile: %s - KillSuspiciousProcess: %s",
             YesNo(stealthMode), YesNo(hiddenFileAnalysis), YesNo(askOutlookProfile), YesNo(killSuspiciousProcess));
    out.Line(__LINE__, "        UseRemoteThreadAnalysis: %s - MaxNumDetections: [%d]", YesNo(useRemoteThreadAnalysis),
             maxNumDetections);
    out.Line(__LINE__, "        ReportType: [%s] - CPUUsage: [%d]", reportType == REPORT_ONLINE ? "Online" : "Grouped",
             cpuUsage);
    out.Line(__LINE__, "    Excluded folders: ");
    Lines(out, excludeFolders);
    out.Line(__LINE__, "    Excluded extensions: ");
    Lines(out, excludeExtensions);
    out.Line(__LINE__, "    Progress and interface:");
    out.Line(__LINE__, "        ShowProgress: %s", YesNo(showProgress));
    out.Line(__LINE__, "        BackgroundImage: [%s] - WindowIcon: [%s] - WindowTitle: [%s]",
             N(backgroundImage).c_str(), N(windowIcon).c_str(),
             N(windowTitle).c_str());
    out.Line(__LINE__, "        AdditionalText: [%s]", N(additionalText).c_str());
}
