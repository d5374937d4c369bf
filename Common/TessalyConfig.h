// The settings object of a client program: built-in defaults, then the audit's configuration file
// (normally encrypted INI text) and the facts that the start-up stores at run time.
#pragma once

#include "Ini.h"

#include <windows.h>

#include <string>
#include <vector>

enum MalwareAction {
    MALWARE_DISINFECT = 0,
    MALWARE_INFORM = 1,
    MALWARE_NOTIFY = 2,
    MALWARE_RESTART = 3,
    MALWARE_IGNORE = 4,
    MALWARE_DELETE = 5,
    MALWARE_QUARANTINE = 6,
    MALWARE_RENAME = 7,
};

enum RestartPolicy { RESTART_NOTIFY = 0, RESTART_RESTART = 1, RESTART_IGNORE = 2 };

enum HeuristicSensitivity {
    HEURISTIC_HIGH = 0,
    HEURISTIC_MEDIUM = 1,
    HEURISTIC_LOW = 2,
    HEURISTIC_OFF = 3,
    HEURISTIC_INTENSIVE = 4,
};

// Bits of TessalyConfig::analysisKinds.
enum AnalysisKinds {
    ANALYSIS_MEMORY = 0x01,
    ANALYSIS_ALL_DISKS = 0x02,
    ANALYSIS_OUTLOOK = 0x04,
    ANALYSIS_OUTLOOK_EXPRESS = 0x08,
    ANALYSIS_NETWORK_DRIVES = 0x10,
    ANALYSIS_REMOVABLE_DISKS = 0x20,
};

enum ReportType { REPORT_GROUPED = 0, REPORT_ONLINE = 1 };

// Results of TessalyConfig::ReadConfig.
enum ConfigResult {
    CONFIG_OK = 0,
    CONFIG_NO_MEMORY = 1,
    CONFIG_UNREADABLE = 14, // missing or not readable
    CONFIG_INVALID = 16,    // cannot be decrypted, or no KVSCAN_MAINCONFIG section
};

// "disinfect", "inform", ... ; "Invalid" for values outside the enumeration.
const char* MalwareActionText(int action);
const char* RestartPolicyText(int policy);
const char* HeuristicSensitivityText(int sensitivity);

// One configured program to run.
struct ProcessEntry {
    std::wstring command;
    std::wstring params;
    std::wstring timeOut = L"10800"; // seconds, or "INFINITE"
    bool wait = false;
    HANDLE thread = nullptr; // the thread that runs it, set by the process table
};

class TessalyConfig {
public:
    TessalyConfig();

    // path: empty reads "KVScan.ini" in the program folder; a name without a backslash is taken
    // relative to the program folder. Returns a ConfigResult.
    int ReadConfig(const std::wstring& path);
    // The file ReadConfig(path) reads.
    std::wstring ConfigFilePath(const std::wstring& path) const;
    // Writes the settings to the log (the password never).
    void DumpSettings() const;

    // --- Run-time facts (not read from the file) ---
    std::string programFolder; // no trailing backslash
    std::string logModule = "KvScan";
    int osType = 999999999;
    std::string servicePack;
    bool configWasEncrypted = false;
    bool isNtFamily = false;
    bool noClean = false;
    std::string instanceId; // braced GUID
    bool messagesAllowed = true;
    std::wstring computerName;
    std::string computerNameA;
    bool onlySend = false;
    // The five folder names as read from KVSCAN_MAINCONFIG, before other steps turn them into paths.
    std::wstring bareReportFolder = L"Reports";
    std::wstring bareQuarantineFolder = L"Quarantine";
    std::wstring bareSuspiciousFolder = L"Suspicious";
    std::wstring bareStatisticFolder = L"Statistics";
    std::wstring bareFilteredElementsFolder;
    std::string reportsPathA; // narrow copy of reportsPath
    std::wstring progressId;
    std::wstring clientVersion;   // "%i.%02i.%02i.%02i" from AppRefVersion
    std::wstring platformVersion; // "Morvik %i.%02i.%02i"
    int productId = 3300;
    int versionMajor = 2;
    int versionMinor = 0;
    int versionRevision = 0;
    int versionBuild = 0;

    // --- KVSCAN_MAINCONFIG ---
    std::wstring auditGuid;
    std::wstring user;
    std::wstring mainProcess;
    bool checkAdmin = false;
    std::wstring reportFolder = L"Reports";
    std::wstring quarantineFolder = L"Quarantine";
    std::wstring statisticFolder = L"Statistics";
    std::wstring suspiciousFolder = L"Suspicious";
    std::wstring filteredElementsFolder;
    bool checkUpdates = false;
    std::wstring queriesUrl;
    std::wstring reportsUrl;
    std::wstring reportsFolder; // environment variables expanded
    std::wstring reportsFtp;
    std::wstring suspiciousUrl;
    std::wstring vlmUrl;
    std::wstring sendReportPeriodicity = L"60";
    int onRestartNeeded = RESTART_IGNORE;
    bool allowSystemShutdown = true;
    bool disinfection = false;
    std::wstring proxyServer;
    std::wstring proxyPort;
    std::wstring proxyUser;
    std::wstring proxyPassword;
    std::wstring ftpUser;
    std::wstring ftpPassword;
    bool generateStatistics = false;
    std::wstring appRefVersion; // exactly 32 characters, or empty
    bool obtainIp = false;
    bool obtainDomain = false;
    bool obtainUserName = false;
    bool obtainUserGroup = false;
    bool obtainMalwarePath = false;

    // --- KVSCAN_SCANCONFIG ---
    std::wstring reportsPath;
    std::wstring quarantinePath;
    std::wstring suspiciousPath;
    unsigned analysisKinds = ANALYSIS_MEMORY | ANALYSIS_ALL_DISKS | ANALYSIS_OUTLOOK | ANALYSIS_OUTLOOK_EXPRESS;
    std::wstring pathAnalysis;
    bool stealthMode = false;
    bool activateVirusScan = true;
    bool activateSpywareScan = true;
    bool activateJokesScan = true;
    bool activateDialersScan = true;
    bool activateHackingToolsScan = true;
    bool activateTrackingToolsScan = true;
    bool activateSecurityRiskScan = true;
    bool activateCookiesScan = true;
    int virusAction = MALWARE_DISINFECT;
    int spywareAction = MALWARE_DISINFECT;
    int jokesAction = MALWARE_DISINFECT;
    int dialersAction = MALWARE_DISINFECT;
    int hackingToolsAction = MALWARE_DISINFECT;
    int trackingToolsAction = MALWARE_DISINFECT;
    int securityRiskAction = MALWARE_DISINFECT;
    int cookiesAction = MALWARE_DISINFECT;
    int secondaryAction = MALWARE_IGNORE;
    bool askOutlookProfile = true;
    int memoryHeuristicSensitivity = HEURISTIC_MEDIUM;
    int diskHeuristicSensitivity = HEURISTIC_MEDIUM;
    int mailHeuristicSensitivity = HEURISTIC_MEDIUM;
    int reportType = REPORT_GROUPED;
    bool killSuspiciousProcess = false;
    int cpuUsage = 100; // 20..100
    bool showProgress = false;
    int maxNumDetections = 0; // 0: no limit
    bool hiddenFileAnalysis = false;
    bool useRemoteThreadAnalysis = false;
    std::wstring backgroundImage;
    std::wstring windowTitle;
    std::wstring windowIcon;
    std::wstring additionalText;

    // --- List sections and KVSCAN_PROCESS ---
    std::vector<std::wstring> excludeOs;                   // KVSCAN_EXCLUDEOS
    std::vector<std::wstring> computerList;                // KVSCAN_COMPUTERLIST
    std::vector<std::wstring> excludeExtensions;           // KVSCAN_EXCLUDEEXTENSION
    std::vector<std::wstring> excludeSuspiciousExtensions; // KVSCAN_EXCLUDESUSPICIOUSEXTENSION
    std::vector<std::wstring> excludeFolders;              // KVSCAN_EXCLUDEFOLDERS + quarantine, suspicious, program folder
    std::vector<std::wstring> intensiveAnalysisPaths;      // KVSCAN_INTENSIVEANALYSISPATHS
    std::vector<std::wstring> disinfectMalwareList;        // KVSCAN_DISINFECTMALWARELIST
    std::vector<std::wstring> excludeMalwareList;          // KVSCAN_EXCLUDEMALWARELIST
    std::vector<ProcessEntry> processes;                   // KVSCAN_PROCESS

    // --- State kept for the program's lifetime by the analyses ---
    // Element paths (upper-cased) the engine has already asked about; never emptied by the scans.
    std::vector<std::wstring> answeredPaths;
    // A detection needs a restart to complete its action; once set it stays set.
    bool restartNeeded = false;

private:
    int LoadText(const std::wstring& path, std::string& text);
    void ReadMainConfig(IniDocument document);
    void ReadScanConfig(IniDocument document);
    void ReadLists(IniDocument document);
    void ReadProcesses(IniDocument document);
    void ReadAppRefVersion(IniDocument document);
};
