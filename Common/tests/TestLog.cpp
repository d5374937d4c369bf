#include "TestLog.h"

#include "TestFiles.h"

#include <windows.h>
#include <shlobj.h>

namespace {

std::wstring LogPath()
{
    wchar_t base[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, base);
    return std::wstring(base) + L"\\KVLog\\KVLog.log";
}

std::vector<std::string> Split(const std::string& text, const std::string& separator, size_t maxParts)
{
    std::vector<std::string> parts;
    size_t from = 0;
    while (parts.size() + 1 < maxParts) {
        size_t at = text.find(separator, from);
        if (at == std::string::npos)
            break;
        parts.push_back(text.substr(from, at - from));
        from = at + separator.size();
    }
    parts.push_back(text.substr(from));
    return parts;
}

} // namespace

TestLog::TestLog() : start_(static_cast<long long>(ReadBytes(LogPath()).size())) {}

std::vector<LogRecord> TestLog::Records() const
{
    std::vector<LogRecord> records;
    std::string text = ReadBytes(LogPath());
    if (static_cast<long long>(text.size()) <= start_)
        return records;
    for (const std::string& line : Split(text.substr(static_cast<size_t>(start_)), "\r\n", std::string::npos)) {
        if (line.empty())
            continue;
        // time, pid, tid, module, source file, line, message
        std::vector<std::string> fields = Split(line, "\t", 7);
        if (fields.size() == 7)
            records.push_back({std::stoul(fields[1]), fields[3], fields[4], fields[5], fields[6]});
    }
    return records;
}

std::vector<std::string> TestLog::Messages(const std::string& sourceFile) const
{
    std::vector<std::string> messages;
    for (const LogRecord& record : Records())
        if (record.pid == GetCurrentProcessId() && record.sourceFile == sourceFile)
            messages.push_back(record.message);
    return messages;
}
