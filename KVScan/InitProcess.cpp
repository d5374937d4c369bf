#include "InitProcess.h"

#include "CommandLine.h"
#include "ExitProgram.h"
#include "Globals.h"
#include "Hooks.h"
#include "InstanceGuard.h"
#include "KVLog.h"
#include "MachineIds.h"
#include "OsType.h"
#include "ScopeLogger.h"
#include "SystemFacts.h"
#include "TestSeams.h"
#include "TextHelpers.h"

#include <windows.h>

#include <cstdio>
#include <new>
#include <vector>

namespace {

void ReadCommandLine()
{
    const wchar_t* original = GetCommandLineW();
    size_t length = wcslen(original);
    std::vector<wchar_t> line(length + 5, 0);
    wcscpy(line.data(), original);
    KVSCAN_LOG("KvScan command line: [%S].", line.data());
    wchar_t* tokens[MAX_COMMAND_TOKENS];
    int count = TokenizeCommandLine(line.data(), tokens, MAX_COMMAND_TOKENS);
    CommandSwitches switches = ParseSwitches(tokens, count);
    g_config.noClean = switches.noClean;
    g_config.onlySend = switches.onlySend;
    if (switches.haveArgument) {
        std::wstring path;
        if (!ConfigFileArgument(switches.argument, path))
            ExitProgram(EXIT_GENERAL_FAILURE);
        g_configFilePath = ToNarrow(path);
    }
}

void FindProgramFolder()
{
    if (!ExecutableFolder(g_config.programFolder)) {
        KVSCAN_LOG("Can't get the main process path. Exiting");
        ExitProgram(EXIT_GENERAL_FAILURE);
    }
}

int ReadConfiguration()
{
    return g_config.ReadConfig(ToWide(g_configFilePath));
}

void ReadProgressId()
{
    std::string path = g_config.programFolder + "\\ProgressID.dat";
    FILE* file = fopen(path.c_str(), "rb");
    if (!file)
        return;
    wchar_t text[51] = {};
    size_t read = fread(text, 1, 100, file);
    fclose(file);
    text[read / sizeof(wchar_t)] = 0;
    g_config.progressId = text;
}

} // namespace

void InitProcess()
{
    KV_SCOPE(g_config.logModule.c_str(), "InitProcess()");
    KVSCAN_LOG("KvScan Version: %s %s", __DATE__, __TIME__);
    ReadCommandLine();
    FindProgramFolder();
    LoadTestSeams(g_config.programFolder.c_str());

    g_translation = new (std::nothrow) Translation(g_config.programFolder + "\\strings.ini");
    if (!g_translation) {
        KVSCAN_LOG("Memory error. Exiting");
        ExitProgram(EXIT_GENERAL_FAILURE);
    }

    if (CheckOnlyOneInstance() != 0) {
        ReadConfiguration(); // the exit routine wants the destinations
        ExitProgram(EXIT_ANOTHER_INSTANCE);
    }

    int facts = CollectSystemData(g_config);
    if (facts == SYSTEM_DATA_NT4_WITHOUT_SP6) {
        KVSCAN_LOG("Windows NT4 without SP6 - exiting");
        ExitProgram(EXIT_NT4_WITHOUT_SP6);
    } else if (facts != SYSTEM_DATA_OK) {
        ExitProgram(EXIT_GENERAL_FAILURE);
    }
    KVSCAN_LOG("OS type: %d (%s) %s", g_config.osType, OsTypeName(g_config.osType) ? OsTypeName(g_config.osType) : "unknown",
               g_config.servicePack.c_str());

    int config = ReadConfiguration();
    if (config == CONFIG_UNREADABLE) {
        if (!g_configFilePath.empty())
            KVSCAN_LOG("Could not find specified config file [%s]. Exiting", g_configFilePath.c_str());
        else
            KVSCAN_LOG("Could not find default config file [%s\\%s]. Exiting", g_config.programFolder.c_str(),
                       "KVScan.ini");
        ExitProgram(EXIT_CONFIG_NOT_FOUND);
    } else if (config == CONFIG_INVALID) {
        ExitProgram(EXIT_CONFIG_INVALID);
    }

    ReadProgressId();

    if (g_config.isNtFamily && g_config.checkAdmin && !g_system.isAdministrator()) {
        KVSCAN_LOG("Administrator privileges needed but not found.");
        ExitProgram(EXIT_ADMIN_REQUIRED);
    }
    if (ReadOrCreateMuid(g_config, g_machineId) != 0)
        ExitProgram(EXIT_NO_MUID);
    if (CreateInstanceId(g_config) != 0)
        ExitProgram(EXIT_NO_INSTANCE_ID);

    KVSCAN_LOG("Checking minimun requirements");
    if (!CheckMinimumRequirements(g_config.programFolder.substr(0, 2))) {
        ReadConfiguration();
        if (g_config.showProgress && g_config.messagesAllowed)
            ShowRequirementsWindow();
        KVSCAN_LOG("System doesn't meet the minimum requirements to execute the application.");
        ExitProgram(EXIT_REQUIREMENTS_NOT_MET);
    }
    KVSCAN_LOG("System requirements OK");
    KVSCAN_LOG("KvScan starting from directory: [%s].", g_config.programFolder.c_str());
}
