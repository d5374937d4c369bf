#include "Text.h"

#include <cstdlib>
#include <cstring>

std::string Field(const char (&text)[KVCOMS_TEXT])
{
    return std::string(text, strnlen(text, KVCOMS_TEXT));
}

std::string WideToAnsi(const wchar_t* text)
{
    int n = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1)
        return std::string();
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, -1, &out[0], n, nullptr, nullptr);
    out.resize(static_cast<size_t>(n - 1));
    return out;
}

bool SplitUrl(const std::string& url, UrlParts& parts)
{
    size_t start = url.find("://");
    start = start == std::string::npos ? 0 : start + 3;
    size_t slash = url.find('/', start);
    std::string host = url.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
    parts.object = slash == std::string::npos ? std::string() : url.substr(slash + 1);
    parts.port = 80;
    size_t colon = host.rfind(':');
    if (colon != std::string::npos) {
        std::string port = host.substr(colon + 1);
        char* end = nullptr;
        unsigned long value = strtoul(port.c_str(), &end, 10);
        if (port.empty() || *end != '\0' || value == 0 || value > 65535)
            return false;
        parts.port = static_cast<unsigned>(value);
        host.resize(colon);
    }
    parts.host = host;
    return !host.empty();
}

std::string UploadProxyText(const KVCOMS_PROXY& proxy)
{
    std::string host = Field(proxy.host).substr(0, 240);
    std::string port = Field(proxy.port).substr(0, 6);
    return host + ":" + (port.empty() ? "80" : port);
}
