// Process-wide state of KVScan. The objects are made once and never destroyed: threads may still
// use them while the process ends through exit().
#pragma once

#include "TessalyConfig.h"

#include <windows.h>

#include <string>

class Translation;

extern TessalyConfig& g_config;
extern HINSTANCE g_instance;
extern Translation* g_translation;
extern std::string& g_configFilePath; // "/cfgfile:" path (ANSI), empty for "KVScan.ini"
extern HANDLE g_instanceMutex;        // owned by this process once set
extern bool g_commLibsRegistered;
extern std::string& g_machineId; // "{MUID}"

#define KVSCAN_LOG(...) KV_GenerateLog(g_config.logModule.c_str(), KV_SOURCE_FILE, __LINE__, __VA_ARGS__)
