#include "UserProxy.h"

#include "TextHelpers.h"

#include <windows.h>

#include <stdlib.h>
#include <string.h>

namespace {

const char kInternetSettings[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

// The entry for plain HTTP of a per-protocol list, or the value itself.
std::string HttpEntry(const std::string& value)
{
    if (value.find('=') == std::string::npos)
        return value;
    size_t from = 0;
    while (from <= value.size()) {
        size_t end = value.find(';', from);
        std::string entry = value.substr(from, end == std::string::npos ? std::string::npos : end - from);
        Trim(entry);
        if (_strnicmp(entry.c_str(), "http=", 5) == 0)
            return entry.substr(5);
        if (end == std::string::npos)
            break;
        from = end + 1;
    }
    return std::string();
}

} // namespace

void SplitProxyServer(const std::string& value, std::string& host, std::string& port)
{
    const std::string entry = HttpEntry(value);
    const size_t colon = entry.find(':');
    host = entry.substr(0, colon);
    Trim(host);
    port.clear();
    if (colon == std::string::npos)
        return;
    std::string digits = entry.substr(colon + 1);
    Trim(digits);
    if (digits.empty() || digits.size() > 5 || strspn(digits.c_str(), "0123456789") != digits.size())
        return;
    const unsigned long number = strtoul(digits.c_str(), nullptr, 10);
    if (number == 0 || number > 65535)
        return;
    char text[8];
    wsprintfA(text, "%lu", number);
    port = text;
}

bool ReadUserProxy(UserProxy& proxy)
{
    proxy = UserProxy();
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kInternetSettings, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    DWORD enable = 0, type = 0, size = sizeof(enable);
    const bool read = RegQueryValueExA(key, "ProxyEnable", nullptr, &type, reinterpret_cast<BYTE*>(&enable),
                                       &size) == ERROR_SUCCESS &&
                      type == REG_DWORD && size == sizeof(enable);
    if (read && enable != 0) {
        proxy.enabled = true;
        char server[261] = {};
        DWORD length = 260;
        if (RegQueryValueExA(key, "ProxyServer", nullptr, &type, reinterpret_cast<BYTE*>(server), &length) ==
                ERROR_SUCCESS &&
            (type == REG_SZ || type == REG_EXPAND_SZ)) {
            server[length < 260 ? length : 260] = 0;
            SplitProxyServer(server, proxy.host, proxy.port);
        }
    }
    RegCloseKey(key);
    return read;
}
