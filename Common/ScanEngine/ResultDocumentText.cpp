// Text of the AnalysisDetails and AnalysisData documents.

#include "ResultDocumentText.h"

#include "Md5.h"
#include "TextHelpers.h"
#include "TimeHelpers.h"

#include <cstdlib>

namespace {

void Element(std::string& text, const char* name, const std::string& value)
{
    text += "<";
    text += name;
    text += ">";
    text += value;
    text += "</";
    text += name;
    text += ">\n";
}

// An element that is written as "<Name />" when its value is empty.
void OptionalElement(std::string& text, const char* name, const std::string& value)
{
    if (value.empty()) {
        text += "<";
        text += name;
        text += " />\n";
        return;
    }
    Element(text, name, value);
}

std::string Escape(const std::string& ansi)
{
    return XmlEscapeUtf8(ToWide(ansi));
}

std::string Number(unsigned long long value)
{
    return std::to_string(value);
}

// True when a cut before position is neither inside a UTF-8 sequence nor inside an entity.
bool IsBoundary(const std::string& text, size_t position)
{
    if (position == 0 || position >= text.size())
        return true;
    if ((static_cast<unsigned char>(text[position]) & 0xC0) == 0x80)
        return false;
    size_t amp = text.rfind('&', position - 1);
    if (amp == std::string::npos)
        return true;
    size_t semicolon = text.find(';', amp);
    return semicolon == std::string::npos || semicolon < position;
}

} // namespace

uint32_t DocumentMalwareType(uint32_t internalType)
{
    static const uint32_t kTypes[] = {1, 2, 3, 22, 24, 8, 7, 15, 9, 26};
    return internalType < sizeof kTypes / sizeof kTypes[0] ? kTypes[internalType] : 0;
}

uint32_t DocumentLocation(uint32_t internalLocation)
{
    static const uint32_t kLocations[] = {1, 5, 2, 3, 4};
    return internalLocation < sizeof kLocations / sizeof kLocations[0] ? kLocations[internalLocation] : 1;
}

uint32_t DocumentAction(uint32_t internalAction)
{
    static const uint32_t kActions[] = {4, 3, 1, 2, 5};
    return internalAction < sizeof kActions / sizeof kActions[0] ? kActions[internalAction] : 2;
}

std::string ShortenMalwarePath(const std::string& escaped)
{
    if (escaped.size() <= kMaxMalwarePathBytes)
        return escaped;
    std::string text = escaped;
    for (char& c : text)
        if (c == '/')
            c = '\\';
    static const char kEllipsis[] = "...";
    const size_t room = kMaxMalwarePathBytes - (sizeof kEllipsis - 1);

    size_t slash = text.rfind('\\');
    std::string last = slash == std::string::npos ? std::string() : text.substr(slash);
    if (!last.empty() && last.size() <= room) {
        size_t head = room - last.size();
        while (!IsBoundary(text, head))
            --head;
        return text.substr(0, head) + kEllipsis + last;
    }
    // The last part alone does not fit: keep as much of its end as fits.
    size_t from = text.size() - room;
    while (!IsBoundary(text, from))
        ++from;
    return kEllipsis + text.substr(from);
}

bool AnalysisDetailsText(const AnalysisDetailsFacts& facts, std::string& text)
{
    text.clear();
    std::string initDate;
    std::string endDate;
    if (LocalTimeIso(facts.startTime, initDate) != 0)
        return false;
    if (!facts.atStart && LocalTimeIso(facts.endTime, endDate) != 0)
        return false;
    long long total = static_cast<long long>(facts.endTime) - static_cast<long long>(facts.startTime);

    std::string body = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<AnalysisDetails>\n";
    Element(body, "AnalysisGUID", Escape(facts.analysisGuid));
    Element(body, "AuditGUID", XmlEscapeUtf8(facts.auditGuid));
    Element(body, "ComputerGUID", Escape(facts.computerGuid));
    Element(body, "Disinfection", facts.disinfection ? "1" : "0");
    Element(body, "InitDate", initDate);
    if (!facts.atStart)
        Element(body, "EndDate", endDate);
    Element(body, "TotalTime", Number(static_cast<unsigned long long>(total < 0 ? -total : total)));
    Element(body, "TessalyClientVersion", XmlEscapeUtf8(facts.clientVersion));
    Element(body, "EngineVersion", XmlEscapeUtf8(facts.engineVersion));
    Element(body, "HeuristicVersion", XmlEscapeUtf8(facts.heuristicVersion));
    Element(body, "AnalysisType", facts.allDisks ? "1" : "0");
    Element(body, "QelsigDate", facts.qelsigDate);
    Element(body, "FilesScanned", Number(facts.totals.files));
    Element(body, "MessagesScanned", Number(facts.totals.messages));
    Element(body, "ElementsScanned", Number(facts.totals.elements));
    body += "</AnalysisDetails>";
    text.swap(body);
    return true;
}

std::string AnalysisDataText(const std::vector<const ReportEntry*>& entries, const AnalysisDataOptions& options)
{
    if (entries.empty())
        return std::string();
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Reports>\n";
    const std::string guid = Escape(options.analysisGuid);
    for (const ReportEntry* entry : entries) {
        std::string path = ShortenMalwarePath(XmlEscapeUtf8(entry->elementPath));
        std::string hash = PathHash(path.c_str());
        if (!options.obtainMalwarePath)
            path = "NOT_AVAILABLE_BY_CONFIDENTIALITY" + hash;

        text += "<Report>\n";
        Element(text, "AnalysisGUID", guid);
        Element(text, "MalwareName", Escape(entry->malwareName));
        Element(text, "MalwareID", Escape(entry->malwareId));
        Element(text, "MalwarePath", path);
        Element(text, "HashMalwarePath", hash);
        OptionalElement(text, "MD5", Escape(entry->md5));
        OptionalElement(text, "ReferenceID", options.disinfection ? std::string() : Escape(entry->referenceText));
        Element(text, "WasRunning", Number(entry->wasRunning));
        Element(text, "MalwareType", Number(DocumentMalwareType(entry->malwareType)));
        Element(text, "Location", Number(DocumentLocation(entry->location)));
        Element(text, "WasHidden", Number(entry->hidden));
        Element(text, "Action", Number(DocumentAction(entry->action)));
        text += "</Report>\n";
    }
    text += "</Reports>";
    return text;
}
