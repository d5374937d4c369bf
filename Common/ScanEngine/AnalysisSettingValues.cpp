// The values derived from the configuration for the engine settings.

#include "AnalysisSettings.h"

#include "OsType.h"
#include "PathMacros.h"
#include "TessalyConfig.h"
#include "TextHelpers.h"

#include <windows.h>

#include <cstring>

uint32_t SecondAction(int secondaryAction)
{
    switch (secondaryAction) {
    case MALWARE_DELETE: return ZOSCAN_ACTION_DELETE;
    case MALWARE_QUARANTINE: return ZOSCAN_ACTION_COPY_QUARANTINE;
    case MALWARE_RENAME: return ZOSCAN_ACTION_RENAME;
    default: return ZOSCAN_ACTION_IGNORE;
    }
}

void HeuristicLevel(int sensitivity, int& level, int& mode)
{
    mode = 1;
    switch (sensitivity) {
    case HEURISTIC_HIGH: level = 3; break;
    case HEURISTIC_MEDIUM: level = 2; break;
    case HEURISTIC_LOW: level = 1; break;
    case HEURISTIC_OFF: level = 0; break;
    case HEURISTIC_INTENSIVE: level = 3; mode = 2; break;
    default: level = 3; break;
    }
}

int SensitivityOfKind(const TessalyConfig& config, int kind)
{
    if (kind & ANALYSIS_KIND_MEMORY)
        return config.memoryHeuristicSensitivity;
    if (kind & ANALYSIS_KIND_MAIL)
        return config.mailHeuristicSensitivity;
    return config.diskHeuristicSensitivity;
}

uint32_t HiddenInfoValue(const TessalyConfig& config)
{
    if (!config.hiddenFileAnalysis)
        return 0; // ZOSCAN_CFG_NO_HIDDEN_INFO_DETECTION
    switch (config.osType) {
    case OS_WIN2000:
    case OS_WIN2000_SERVER:
    case OS_XP_PROFESSIONAL:
    case OS_XP_HOME:
        return 3;
    default:
        return 2;
    }
}

uint32_t HiddenDetectionAction(int sensitivity)
{
    return sensitivity == HEURISTIC_OFF ? ZOSCAN_ACTION_IGNORE : ZOSCAN_ACTION_COPY_QUARANTINE;
}

namespace {

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}" -> the GUID's 16 bytes in memory order.
bool ParseBracedGuid(const std::string& text, uint8_t (&bytes)[16])
{
    if (text.size() != 38 || text.front() != '{' || text.back() != '}')
        return false;
    uint8_t raw[16];
    size_t n = 0;
    for (size_t i = 1; i < 37; ++i) {
        if (i == 9 || i == 14 || i == 19 || i == 24) {
            if (text[i] != '-')
                return false;
            continue;
        }
        int high = HexDigit(text[i]);
        int low = i + 1 < 37 ? HexDigit(text[i + 1]) : -1;
        if (high < 0 || low < 0)
            return false;
        raw[n++] = static_cast<uint8_t>(high * 16 + low);
        ++i;
    }
    if (n != 16)
        return false;
    // Data1, Data2 and Data3 are little-endian numbers; Data4 is bytes as written.
    const int order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    for (int i = 0; i < 16; ++i)
        bytes[i] = raw[order[i]];
    return true;
}

void Append(std::vector<char>& buffer, const std::string& entry)
{
    buffer.insert(buffer.end(), entry.begin(), entry.end());
    buffer.push_back('\0');
}

} // namespace

std::vector<char> MachineIdBuffer(const std::string& bracedId, bool& valid)
{
    std::vector<char> buffer(17, '\0');
    uint8_t bytes[16];
    valid = ParseBracedGuid(bracedId, bytes);
    if (valid)
        std::memcpy(buffer.data(), bytes, 16);
    return buffer;
}

std::vector<char> PackFolderList(const std::vector<std::wstring>& folders)
{
    // Sized from the texts as they are sent: an expanded macro is longer than the raw entry.
    std::vector<std::string> texts;
    size_t size = 1;
    for (const std::wstring& folder : folders) {
        wchar_t expanded[261];
        std::string text = expandPathMacros(folder.c_str(), expanded, 261) ? ToNarrow(std::wstring(expanded))
                                                                            : ToNarrow(folder);
        size += text.size() + 1;
        texts.push_back(text);
    }
    std::vector<char> buffer;
    buffer.reserve(size);
    for (const std::string& text : texts)
        Append(buffer, text);
    buffer.push_back('\0');
    return buffer;
}

std::vector<char> PackList(const std::vector<std::wstring>& entries)
{
    std::vector<char> buffer;
    for (const std::wstring& entry : entries)
        Append(buffer, ToNarrow(entry));
    buffer.push_back('\0');
    return buffer;
}

bool CloudEnabled(const TessalyConfig& config)
{
    return config.reportsFolder.empty() && config.reportsFtp.empty();
}

const char* ActionName(uint32_t action)
{
    switch (action) {
    case ZOSCAN_ACTION_IGNORE: return "ZOSCAN_ACTION_IGNORE";
    case ZOSCAN_ACTION_DISINFECT: return "ZOSCAN_ACTION_DISINFECT";
    case ZOSCAN_ACTION_MOVE_QUARANTINE: return "ZOSCAN_ACTION_MOVE_QUARANTINE";
    case ZOSCAN_ACTION_DELETE: return "ZOSCAN_ACTION_DELETE";
    case ZOSCAN_ACTION_RENAME: return "ZOSCAN_ACTION_RENAME";
    case ZOSCAN_ACTION_COPY_QUARANTINE: return "ZOSCAN_ACTION_COPY_QUARANTINE";
    case ZOSCAN_ACTION_ASK: return "ZOSCAN_ACTION_ASK";
    default: return "?";
    }
}
