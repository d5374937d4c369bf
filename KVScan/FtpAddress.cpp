// Parsing of the ReportsFTP address.
#include "FtpAddress.h"

#include <cwctype>

int ParseFtpAddress(const std::wstring& text, FtpAddress& address)
{
    static const wchar_t kPrefix[] = L"ftp://";
    const size_t prefixLength = 6;
    address = FtpAddress();
    if (text.size() < prefixLength)
        return 1;
    for (size_t i = 0; i < prefixLength; ++i) {
        if (towlower(text[i]) != kPrefix[i])
            return 1;
    }
    std::wstring rest = text.substr(prefixLength);
    size_t slash = rest.find(L'/');
    std::wstring authority = rest.substr(0, slash);
    std::wstring path = slash == std::wstring::npos ? std::wstring() : rest.substr(slash);

    size_t colon = authority.find(L':');
    address.host = authority.substr(0, colon);
    if (address.host.empty())
        return 1;
    if (colon != std::wstring::npos) {
        std::wstring digits = authority.substr(colon + 1);
        if (digits.empty() || digits.size() > 5)
            return 1;
        unsigned port = 0;
        for (wchar_t c : digits) {
            if (c < L'0' || c > L'9')
                return 1;
            port = port * 10 + (c - L'0');
        }
        if (port == 0 || port > 65535)
            return 1;
        address.port = port;
    }
    if (path.empty())
        path = L"/";
    if (path.back() != L'/')
        path += L'/';
    address.baseDir = path;
    return 0;
}

std::wstring FtpRunFolder(const FtpAddress& address, const std::wstring& instanceId)
{
    return address.baseDir + instanceId;
}
