// The four proxy keys of the configuration file (KVSCAN_MAINCONFIG: ProxyServer, ProxyPort, ProxyUser,
// ProxyPassword), rewritten when the connection test finds the working way to the audit server.
#pragma once

#include "Ini.h"

#include <string>

struct ProxyKeys {
    std::wstring server;
    std::wstring port;
    std::wstring user;
    std::wstring password;
};

// Removes every entry of the four keys; with a server, adds them again with the new values.
// An IniStatus.
int ApplyProxyKeys(IniDocument* document, const ProxyKeys& proxy);

// Results of WriteProxyToConfig.
enum ProxyWriteResult {
    PROXY_WRITTEN = 0,
    PROXY_UNREADABLE = 1,   // the file cannot be read
    PROXY_UNDECRYPTABLE = 2,
    PROXY_NOT_WRITTEN = 3,  // the new text could not be made, encrypted or stored
};

// Rewrites the configuration file at path with the proxy keys applied; encrypted: the file is decrypted and
// the new text encrypted again through KVCripto. The new file is made beside it and then takes its place, so
// an interruption never leaves half a configuration. Comments and blank lines are not kept.
int WriteProxyToConfig(const std::wstring& path, bool encrypted, const ProxyKeys& proxy);
