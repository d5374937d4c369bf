// The codes of a report entry from the engine's records.

#include "DetectionHandling.h"

#include <cstdio>

uint32_t MalwareTypeCode(uint32_t malwareType, uint32_t subType)
{
    switch (malwareType) {
    case ZOSCAN_MALWARE_VIRUS:
        if (subType == 2 || subType == 3)
            return REPORT_TYPE_WORM;
        if (subType >= 4 && subType <= 6)
            return REPORT_TYPE_TROJAN;
        return REPORT_TYPE_VIRUS;
    case ZOSCAN_MALWARE_JOKE: return 5;
    case ZOSCAN_MALWARE_DIALER: return 6;
    case ZOSCAN_MALWARE_HACKING_TOOL:
    case ZOSCAN_MALWARE_HACKING_TOOL_2: return 7;
    case ZOSCAN_MALWARE_SECURITY_RISK: return 8;
    case ZOSCAN_MALWARE_SPYWARE:
    case ZOSCAN_MALWARE_SPYWARE_2: return 4;
    case ZOSCAN_MALWARE_TRACKING_COOKIE: return 9;
    default: return REPORT_TYPE_HEURISTIC;
    }
}

uint32_t LocationCode(uint32_t locationWord, uint32_t elementType, uint32_t& wasRunning)
{
    switch (locationWord) {
    case ZOSCAN_LOCATION_SYSTEM:
        if (elementType == 1 || elementType == 2)
            return REPORT_LOCATION_REGISTRY;
        if (elementType == 9)
            return REPORT_LOCATION_COOKIE;
        if (elementType == ZOSCAN_ELEMENT_PROCESS)
            wasRunning = 1;
        return REPORT_LOCATION_FILE;
    case ZOSCAN_LOCATION_OUTLOOK: return REPORT_LOCATION_OUTLOOK;
    case ZOSCAN_LOCATION_OUTLOOK_EXPRESS: return REPORT_LOCATION_OUTLOOK_EXPRESS;
    default: return REPORT_LOCATION_FILE;
    }
}

uint32_t ActionCode(uint32_t analysisState, uint32_t rebootPending)
{
    if (rebootPending)
        return REPORT_ACTION_REBOOT_NEEDED;
    return analysisState >= ZOSCAN_STATE_DISINFECTED && analysisState <= ZOSCAN_STATE_RENAMED ? REPORT_ACTION_DONE
                                                                                             : REPORT_ACTION_NONE;
}

std::string ReferenceText(uint32_t malwareType, uint32_t subType, const std::string& base64)
{
    return std::to_string(malwareType) + ";" + std::to_string(subType) + ";" + base64;
}

std::string DigestText(const uint8_t (&md5)[16])
{
    char text[33];
    for (int i = 0; i < 16; ++i)
        snprintf(text + 2 * i, 3, "%02X", md5[i]);
    return std::string(text, 32);
}
