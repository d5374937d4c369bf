#include "Globals.h"

TessalyConfig& g_config = *new TessalyConfig;
HINSTANCE g_instance = nullptr;
Translation* g_translation = nullptr;
std::string& g_configFilePath = *new std::string;
HANDLE g_instanceMutex = nullptr;
bool g_commLibsRegistered = false;
std::string& g_machineId = *new std::string;
