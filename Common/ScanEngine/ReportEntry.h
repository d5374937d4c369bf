// One recorded detection, as the detection handling fills it and the AnalysisData document writes it.
// The result holder keeps copies of it in detection order.
#pragma once

#include <cstdint>
#include <string>

// Malware type codes of a report entry (the AnalysisData document maps them to its own numbers).
enum ReportMalwareType : uint32_t {
    REPORT_TYPE_VIRUS = 0,
    REPORT_TYPE_WORM = 1,
    REPORT_TYPE_TROJAN = 2,
    REPORT_TYPE_HEURISTIC = 11,
};

// Location codes.
enum ReportLocation : uint32_t {
    REPORT_LOCATION_FILE = 0,
    REPORT_LOCATION_REGISTRY = 1,
    REPORT_LOCATION_OUTLOOK = 2,
    REPORT_LOCATION_OUTLOOK_EXPRESS = 3,
    REPORT_LOCATION_COOKIE = 4,
};

// Action codes.
enum ReportAction : uint32_t {
    REPORT_ACTION_DONE = 0,          // disinfected, quarantined, erased or renamed
    REPORT_ACTION_REBOOT_NEEDED = 1, // completed at the next start of the computer
    REPORT_ACTION_NONE = 3,          // left as it was
};

struct ReportEntry {
    std::string malwareName;
    std::string malwareId;     // "0.<number>", "0.0" for a heuristic detection
    std::wstring elementPath;
    uint32_t wasRunning = 0;
    uint32_t hidden = 0;
    uint32_t malwareType = 0;  // ReportMalwareType and the other codes of the detection handling
    uint32_t location = 0;     // ReportLocation
    uint32_t action = 0;       // ReportAction
    std::string md5;           // 32 upper-case hexadecimal digits
    std::string referenceText; // "<type>;<sub-type>;<Base64 of the extra detection data>"
};
