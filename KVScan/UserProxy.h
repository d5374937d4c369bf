// The proxy that the logged-on user's Internet settings name (HKCU "Internet Settings": ProxyEnable and
// ProxyServer), for the connection test when the configured way to the server fails.
#pragma once

#include <string>

struct UserProxy {
    bool enabled = false; // ProxyEnable is present and not 0
    std::string host;
    std::string port; // decimal text, or empty
};

// "host:port" gives the host and the port (a decimal number, written back without leading zeros); no
// colon gives the host only; a port that is not a number is dropped. A list of proxies per protocol
// ("http=host:port;https=host:port") gives the http entry.
void SplitProxyServer(const std::string& value, std::string& host, std::string& port);

// Reads the user's settings; false when the key or ProxyEnable cannot be read.
bool ReadUserProxy(UserProxy& proxy);
