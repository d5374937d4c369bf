// engscan ENGINE_FOLDER PATH...
// Scans files and folders with the scanning engine found in ENGINE_FOLDER (ZoScan.dll and Qel.sig),
// without acting on anything, and prints one line per detection:
//   DETECTED <path> | <malware name> | type <type>.<sub-type>
// then "analysed <n> elements, <m> detections". Exit code: 0 done, 1 the engine failed, 2 usage.

#include "ZoScanEntryPoints.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

unsigned g_elements = 0;
unsigned g_detections = 0;

int __stdcall OnEngine(uint32_t type, void* record, void*)
{
    if (type != ZOSCAN_CALLBACK_RESULT)
        return 0;
    auto result = static_cast<const ZoResultRecord*>(record);
    ++g_elements;
    if (result->detections && result->first) {
        ++g_detections;
        std::printf("DETECTED %s | %s | type %u.%u\n", result->element->path ? result->element->path : "",
                    result->first->name ? result->first->name : "", result->first->malwareType,
                    result->first->subType);
    }
    return 0;
}

int Fail(const char* what, int code)
{
    std::fprintf(stderr, "engscan: %s failed: %d\n", what, code);
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: engscan ENGINE_FOLDER PATH...\n");
        return 2;
    }
    std::string folder = argv[1];
    HMODULE module = LoadLibraryExA((folder + "\\ZoScan.dll").c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!module)
        return Fail("loading ZoScan.dll", static_cast<int>(GetLastError()));
    ZoScanEntryPoints api;
    if (const char* missing = api.Resolve(module)) {
        std::fprintf(stderr, "engscan: ZoScan.dll lacks %s\n", missing);
        return 1;
    }
    if (int code = api.InitializeAPI(ZOSCAN_INTERFACE_VERSION))
        return Fail("ZOScan_InitializeAPI", code);
    ZoScanHandle list = api.CreateList();
    if (!list)
        return Fail("ZOScan_CreateAnalizableItemsList", api.GetLastError(nullptr));
    ZoScanSystemRecord record{};
    record.size = sizeof record;
    record.folder1 = folder.data();
    record.folder2 = folder.data();
    lstrcpynA(record.installationId, "00000000000000000000000000000000", sizeof record.installationId);
    lstrcpynA(record.appRefVersion, "engscan", sizeof record.appRefVersion);
    ZoScanHandle system = api.InitializeSystem(&record);
    if (!system)
        return Fail("ZOScan_InitializeAnalysisSystem", api.GetLastError(nullptr));

    const char* step = "configuring";
    int code = api.Configure(system, ZOSCAN_CFG_INDICATE_GENERICAL_CALLBACK, reinterpret_cast<uintptr_t>(&OnEngine));
    if (!code)
        code = api.Configure(system, ZOSCAN_CFG_ACTIVATED_CALLBACK_TYPES, ZOSCAN_CALLBACK_RESULT);
    if (!code)
        code = api.Configure(system, ZOSCAN_CFG_FIRST_ACTION, ZOSCAN_ACTION_IGNORE);
    if (!code)
        code = api.Configure(system, ZOSCAN_CFG_HEURISTIC_SCAN_ACTION, ZOSCAN_ACTION_IGNORE);
    if (!code)
        step = "adding a path";
    for (int i = 2; i < argc && !code; ++i) {
        ZoPathItemRecord item{};
        item.size = sizeof item;
        item.path = argv[i];
        item.option = 1;
        code = api.AddItem(list, ZOSCAN_ITEM_PATH, &item);
    }
    if (!code) {
        step = "ZOScan_Analyse";
        code = api.Analyse(system, list);
    }
    api.FreeSystem(system);
    api.FreeList(list);
    FreeLibrary(module);
    if (code)
        return Fail(step, code);
    std::printf("analysed %u elements, %u detections\n", g_elements, g_detections);
    return 0;
}
