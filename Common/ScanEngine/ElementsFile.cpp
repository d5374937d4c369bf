// Reading the elements file of a disinfection run and building the engine's item records.

#include "ElementsFile.h"

#include "Base64.h"
#include "KVLog.h"
#include "ScopeLogger.h"
#include "TextHelpers.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <io.h>

namespace {

// Decimal text-to-integer rules: leading blanks, a sign, digits up to the first other character.
uint32_t DecimalValue(const std::string& text)
{
    return static_cast<uint32_t>(std::strtol(text.c_str(), nullptr, 10));
}

// Splits off the part before the first ";" that follows the first character; false when there is none.
bool SplitField(const std::string& text, std::string& field, std::string& rest)
{
    size_t separator = text.size() > 1 ? text.find(';', 1) : std::string::npos;
    if (separator == std::string::npos)
        return false;
    field = text.substr(0, separator);
    rest = text.substr(separator + 1);
    return true;
}

} // namespace

bool ElementsFilePath(const std::string& programFolder, const std::wstring& auditGuid, std::string& path)
{
    path.clear();
    std::string name = ToNarrow(auditGuid);
    if (name.empty() || name.find_first_of("\\/:") != std::string::npos || name.find("..") != std::string::npos)
        return false;
    path = programFolder + "\\" + name;
    return true;
}

DisinfectionElement ParseElementLine(const std::string& line)
{
    DisinfectionElement element;
    std::string field;
    std::string rest;
    std::string base64 = line;
    if (SplitField(line, field, rest)) {
        element.type = DecimalValue(field);
        std::string afterSubType;
        if (SplitField(rest, field, afterSubType)) {
            element.subType = DecimalValue(field);
            base64 = afterSubType;
        } else {
            base64 = rest;
        }
    }
    element.data = Base64Decode(base64);
    return element;
}

int ReadElementsFile(const std::string& path, const char* module, std::vector<DisinfectionElement>& elements)
{
    elements.clear();
    if (_access(path.c_str(), 4) != 0)
        return ELEMENTS_MISSING;
    FILE* file = std::fopen(path.c_str(), "rt");
    if (!file)
        return ELEMENTS_NOT_OPENED;

    // Room for the longest line, its line feed and the terminator.
    char buffer[kMaxElementLine + 2];
    int number = 0;
    bool skipping = false; // inside a line that is too long
    while (std::fgets(buffer, sizeof buffer, file)) {
        size_t length = std::strlen(buffer);
        bool complete = length > 0 && buffer[length - 1] == '\n';
        if (skipping) {
            skipping = !complete;
            continue;
        }
        ++number;
        if (!complete && length > kMaxElementLine) {
            KV_GenerateLog(module, KV_SOURCE_FILE, __LINE__,
                           "Element %d of the elements to disinfect file is longer than %d characters: skipped", number,
                           static_cast<int>(kMaxElementLine));
            skipping = true;
            continue;
        }
        std::string line(buffer, length);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.pop_back();
        if (line.empty())
            continue;
        elements.push_back(ParseElementLine(line));
    }
    std::fclose(file);
    return ELEMENTS_READ;
}

void BuildItemRecords(const DisinfectionElement& element, DisinfectionItemRecords& records)
{
    std::memset(&records, 0, sizeof records);
    records.data.data = element.data.empty() ? nullptr : element.data.data();
    records.data.length = static_cast<uint32_t>(element.data.size());
    if (element.type != 0 && element.type != 13 && element.type != 16) {
        records.malware.type = element.type;
        records.malware.subType = element.subType;
    }
    records.item.size = sizeof records.item; // 28 in the 32-bit layout
    records.item.malware = &records.malware;
    records.item.data = &records.data;
}
