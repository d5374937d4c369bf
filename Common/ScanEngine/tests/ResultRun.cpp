// resultrun CONFIG_FILE
// The analysis steps of an audit through the engine adapter, for the end-to-end tests: reads the
// configuration (plain or encrypted) from the program folder that holds it, writes the AnalysisDetails
// document of the start, runs the disk analysis of the configured path (or, with Disinfection set, the
// disinfection run), writes the AnalysisDetails document of the end and prints the identifiers it used.

#include "AdapterState.h"
#include "DisinfectionRun.h"
#include "Guid.h"
#include "ScanApiRef.h"
#include "ScanExecution.h"
#include "ScanResultData.h"
#include "TessalyConfig.h"
#include "TextHelpers.h"

#include <windows.h>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: resultrun CONFIG_FILE\n");
        return 100;
    }
    char full[MAX_PATH];
    char* name = nullptr;
    if (!GetFullPathNameA(argv[1], MAX_PATH, full, &name) || !name || name == full) {
        std::fprintf(stderr, "bad path %s\n", argv[1]);
        return 100;
    }
    TessalyConfig config;
    config.programFolder.assign(full, name - 1); // without the trailing backslash
    int read = config.ReadConfig(ToWide(std::string(full)));
    if (read != CONFIG_OK) {
        std::fprintf(stderr, "configuration not read: %d\n", read);
        return 101;
    }
    std::string machineId;
    if (NewBracedGuid(config.instanceId) != 0 || NewBracedGuid(machineId) != 0) {
        std::fprintf(stderr, "no GUID\n");
        return 102;
    }

    ScanResultData results(config, machineId);
    BindAdapter(config, results, machineId);
    ScanApiRef::setFolder(config.programFolder.c_str());

    results.WriteAnalysisDetails(true);
    int result = config.disinfection ? DoMalwareDisinfection() : DoMalwareScan(false, false);
    results.WriteAnalysisDetails(false);

    std::printf("instance=%s\nmachine=%s\nencrypted=%d\nresult=%d\n", config.instanceId.c_str(), machineId.c_str(),
                config.configWasEncrypted ? 1 : 0, result);
    return result;
}
