// Whether a page of the audit server can be fetched, through the proxy and/or directly.
#pragma once

#include <string>

#include "KVComs.h"

// 1 when an attempt got status 200; record->connectionType tells which way worked.
int TestInternetConnection(KVCOMS_CONNECTIONTEST* record);
int TestProxyConnection(const KVCOMS_PROXY& proxy, const std::string& url);
int TestDirectConnection(const std::string& url);
