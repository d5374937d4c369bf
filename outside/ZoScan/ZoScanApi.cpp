// Stand-in for the engine's scanning interface, ZoScan.dll: the ten ZOScan_ exports. Handles, settings
// and items live here; the analysis itself is in Analysis.cpp. Every call is written to the journal with
// its decoded arguments, and any call can be made to fail through the scenario file (StandInFiles.h).

#include "ZoScan.h"

#include "ScanState.h"
#include "StandInFiles.h"

#include <windows.h>

#include <atomic>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

using standin::HexNumber;
using standin::Number;
using standin::Quoted;

namespace {

constexpr uint32_t kEngineVersion = 0x00030002;

std::mutex g_lock;
bool g_apiReady = false;
std::atomic<int> g_lastError{0};
uintptr_t g_nextHandle = 0x2C000;
std::map<uintptr_t, std::unique_ptr<ScanSystem>> g_systems;
std::map<uintptr_t, std::unique_ptr<std::vector<ScanItem>>> g_lists;

void Log(const std::string& text)
{
    standin::Journal("ZoScan", text);
}

int Fail(const std::string& call, int code)
{
    g_lastError = code;
    Log(call + " -> " + Number(code));
    return code;
}

ZoScanHandle FailHandle(const std::string& call, int code)
{
    g_lastError = code;
    Log(call + " -> 0 error=" + Number(code));
    return nullptr;
}

std::string HandleText(ZoScanHandle handle)
{
    return HexNumber(reinterpret_cast<uintptr_t>(handle));
}

std::string Bounded(const char* text, size_t limit)
{
    return text ? std::string(text, strnlen(text, limit)) : std::string();
}

bool IsAction(uintptr_t value)
{
    return (value >= ZOSCAN_ACTION_IGNORE && value <= ZOSCAN_ACTION_COPY_QUARANTINE) || value == ZOSCAN_ACTION_ASK;
}

// Decodes and keeps one setting; returns 0 or the refusal code. `text` receives the decoded value.
int Apply(AnalysisSettings& settings, uint32_t item, uintptr_t value, std::string& text)
{
    switch (item) {
    case ZOSCAN_CFG_EXCLUDE_FOLDERS_LIST:
    case ZOSCAN_CFG_EXCLUDE_EXTENSIONS_LIST: {
        const char* list = reinterpret_cast<const char*>(value);
        text = standin::MultiText(list);
        if (!list)
            return ERROR_INVALID_PARAMETER;
        auto& target = item == ZOSCAN_CFG_EXCLUDE_FOLDERS_LIST ? settings.excludedFolders : settings.excludedExtensions;
        target = standin::SplitMultiText(list);
        return 0;
    }
    case ZOSCAN_CFG_MCUID: {
        const uint8_t* bytes = reinterpret_cast<const uint8_t*>(value);
        text = bytes ? standin::Hex(bytes, 16) : "null";
        if (!bytes)
            return ERROR_INVALID_PARAMETER;
        std::memcpy(settings.machineId, bytes, 16);
        return 0;
    }
    case ZOSCAN_CFG_INDICATE_GENERICAL_CALLBACK:
        text = HexNumber(value);
        settings.callback = reinterpret_cast<ZoScanCallback>(value);
        return value ? 0 : ERROR_INVALID_PARAMETER;
    case ZOSCAN_CFG_COMMUNICATIONS_OBJECT:
        text = HexNumber(value);
        settings.communicationsObject = reinterpret_cast<void*>(value);
        return 0;
    case ZOSCAN_CFG_ACTIVATED_CALLBACK_TYPES:
        text = HexNumber(value);
        break;
    case ZOSCAN_CFG_FIRST_ACTION:
    case ZOSCAN_CFG_SECOND_ACTION:
    case ZOSCAN_CFG_HEURISTIC_SCAN_ACTION:
    case ZOSCAN_CFG_CONTAINER_ACTION:
    case ZOSCAN_CFG_HIDDEN_DETECTION_ACTION:
        text = Number(static_cast<long long>(value));
        if (!IsAction(value))
            return ERROR_INVALID_PARAMETER;
        break;
    default:
        text = Number(static_cast<int32_t>(value));
        break;
    }
    settings.values[item] = value;
    return 0;
}

} // namespace

extern "C" int __stdcall ZOScan_InitializeAPI(uint32_t interfaceVersion)
{
    std::lock_guard<std::mutex> hold(g_lock);
    std::string call = "ZOScan_InitializeAPI version=" + Number(interfaceVersion);
    if (int error = standin::InjectedFailure("ZOScan_InitializeAPI"))
        return Fail(call, error);
    if (interfaceVersion != ZOSCAN_INTERFACE_VERSION)
        return Fail(call, ERROR_REVISION_MISMATCH);
    g_apiReady = true;
    Log(call + " -> 0");
    return 0;
}

extern "C" uint32_t __stdcall ZOScan_GetCurrentVersion(void)
{
    Log("ZOScan_GetCurrentVersion -> " + HexNumber(kEngineVersion));
    return kEngineVersion;
}

extern "C" ZoScanHandle __stdcall ZOScan_CreateAnalizableItemsList(void)
{
    std::lock_guard<std::mutex> hold(g_lock);
    std::string call = "ZOScan_CreateAnalizableItemsList";
    if (int error = standin::InjectedFailure("ZOScan_CreateAnalizableItemsList"))
        return FailHandle(call, error);
    if (!g_apiReady)
        return FailHandle(call, ERROR_NOT_READY);
    uintptr_t handle = ++g_nextHandle;
    g_lists[handle] = std::make_unique<std::vector<ScanItem>>();
    Log(call + " -> " + HexNumber(handle));
    return reinterpret_cast<ZoScanHandle>(handle);
}

extern "C" int __stdcall ZOScan_FreeAnalizableItemsList(ZoScanHandle list)
{
    std::lock_guard<std::mutex> hold(g_lock);
    std::string call = "ZOScan_FreeAnalizableItemsList list=" + HandleText(list);
    if (int error = standin::InjectedFailure("ZOScan_FreeAnalizableItemsList"))
        return Fail(call, error);
    if (!g_lists.erase(reinterpret_cast<uintptr_t>(list)))
        return Fail(call, ERROR_INVALID_HANDLE);
    Log(call + " -> 0");
    return 0;
}

extern "C" int __stdcall ZOScan_AddAnalizableItem(ZoScanHandle list, uint32_t kind, const void* record)
{
    std::lock_guard<std::mutex> hold(g_lock);
    std::string call = "ZOScan_AddAnalizableItem list=" + HandleText(list) + " kind=" + HexNumber(kind);
    auto it = g_lists.find(reinterpret_cast<uintptr_t>(list));
    ScanItem item;
    item.kind = kind;
    int error = 0;
    switch (kind) {
    case ZOSCAN_ITEM_MEMORY:
    case ZOSCAN_ITEM_OUTLOOK:
    case ZOSCAN_ITEM_OUTLOOK_EXPRESS:
    case ZOSCAN_ITEM_FIXED_DISKS:
    case ZOSCAN_ITEM_ALL_DISKS:
        break;
    case ZOSCAN_ITEM_PATH:
    case ZOSCAN_ITEM_NETWORK_DRIVE: {
        auto path = static_cast<const ZoPathItemRecord*>(record);
        if (!path || path->size != sizeof(ZoPathItemRecord) || !path->path || !*path->path) {
            error = ERROR_INVALID_PARAMETER;
            call += path ? " size=" + Number(path->size) + " path=" + Quoted(path->path) : " record=null";
            break;
        }
        item.path = Bounded(path->path, MAX_PATH * 4);
        item.option = path->option;
        call += " path=" + Quoted(item.path.c_str()) + " option=" + Number(item.option);
        break;
    }
    case ZOSCAN_ITEM_DETECTION: {
        auto detection = static_cast<const ZoDetectionItemRecord*>(record);
        if (!detection || detection->size != sizeof(ZoDetectionItemRecord) || !detection->data ||
            (detection->data->length && !detection->data->data) || detection->data->length > 1024 * 1024) {
            error = ERROR_INVALID_PARAMETER;
            call += detection ? " size=" + Number(detection->size) : " record=null";
            break;
        }
        if (detection->malware) {
            item.malwareType = detection->malware->type;
            item.malwareSubType = detection->malware->subType;
        }
        item.data.assign(detection->data->data, detection->data->data + detection->data->length);
        call += " type=" + Number(item.malwareType) + " subtype=" + Number(item.malwareSubType) +
                " data=" + standin::Hex(item.data.data(), item.data.size());
        break;
    }
    default:
        error = ERROR_INVALID_PARAMETER;
        break;
    }
    if (!error)
        error = standin::InjectedFailure("ZOScan_AddAnalizableItem", HexNumber(kind).c_str());
    if (!error && it == g_lists.end())
        error = ERROR_INVALID_HANDLE;
    if (error)
        return Fail(call, error);
    it->second->push_back(std::move(item));
    Log(call + " -> 0");
    return 0;
}

extern "C" ZoScanHandle __stdcall ZOScan_InitializeAnalysisSystem(const ZoScanSystemRecord* record)
{
    std::lock_guard<std::mutex> hold(g_lock);
    std::string call = "ZOScan_InitializeAnalysisSystem";
    if (!record)
        return FailHandle(call + " record=null", ERROR_INVALID_PARAMETER);
    auto system = std::make_unique<ScanSystem>();
    system->installationId = Bounded(record->installationId, 32);
    system->appRefVersion = Bounded(record->appRefVersion, 32);
    call += " record={size=" + Number(record->size) + " folder1=" + Quoted(record->folder1) + " folder2=" +
            Quoted(record->folder2) + " id=" + Quoted(system->installationId.c_str()) +
            " version=" + Quoted(system->appRefVersion.c_str()) + "}";
    if (int error = standin::InjectedFailure("ZOScan_InitializeAnalysisSystem"))
        return FailHandle(call, error);
    if (!g_apiReady)
        return FailHandle(call, ERROR_NOT_READY);
    if (record->size != sizeof(ZoScanSystemRecord) || !record->folder1 || !*record->folder1)
        return FailHandle(call, ERROR_INVALID_PARAMETER);
    system->folder = Bounded(record->folder1, MAX_PATH);
    if (system->folder.back() != '\\' && system->folder.back() != '/')
        system->folder += '\\';
    if (uint32_t error = qelsig::Load(system->folder + "Qel.sig", system->signatures))
        return FailHandle(call, static_cast<int>(error));
    if (!system->signatures.usable)
        return FailHandle(call, ERROR_INVALID_DATA);
    uintptr_t handle = ++g_nextHandle;
    call += " signatures=" + Number(system->signatures.signatures.size());
    g_systems[handle] = std::move(system);
    Log(call + " -> " + HexNumber(handle));
    return reinterpret_cast<ZoScanHandle>(handle);
}

extern "C" int __stdcall ZOScan_FreeAnalysisSystem(ZoScanHandle handle)
{
    std::lock_guard<std::mutex> hold(g_lock);
    std::string call = "ZOScan_FreeAnalysisSystem system=" + HandleText(handle);
    if (int error = standin::InjectedFailure("ZOScan_FreeAnalysisSystem"))
        return Fail(call, error);
    if (!g_systems.erase(reinterpret_cast<uintptr_t>(handle)))
        return Fail(call, ERROR_INVALID_HANDLE);
    Log(call + " -> 0");
    return 0;
}

extern "C" int __stdcall ZOScan_ConfigureAnalysis(ZoScanHandle handle, uint32_t item, uintptr_t value)
{
    std::lock_guard<std::mutex> hold(g_lock);
    const char* name = SettingName(item);
    std::string call = "ZOScan_ConfigureAnalysis system=" + HandleText(handle) + " item=" + HexNumber(item) + " " +
                       (name ? name : "unknown");
    auto it = g_systems.find(reinterpret_cast<uintptr_t>(handle));
    if (it == g_systems.end())
        return Fail(call, ERROR_INVALID_HANDLE);
    if (!name)
        return Fail(call + " value=" + HexNumber(value), ERROR_INVALID_PARAMETER);
    AnalysisSettings copy = it->second->settings;
    std::string text;
    int error = Apply(copy, item, value, text);
    call += " value=" + text;
    if (!error)
        error = standin::InjectedFailure("ZOScan_ConfigureAnalysis", HexNumber(item).c_str());
    if (error)
        return Fail(call, error);
    it->second->settings = std::move(copy);
    Log(call + " -> 0");
    return 0;
}

extern "C" int __stdcall ZOScan_Analyse(ZoScanHandle handle, ZoScanHandle list)
{
    ScanSystem system;
    std::vector<ScanItem> items;
    std::string call = "ZOScan_Analyse system=" + HandleText(handle) + " list=" + HandleText(list);
    {
        std::lock_guard<std::mutex> hold(g_lock);
        auto s = g_systems.find(reinterpret_cast<uintptr_t>(handle));
        auto l = g_lists.find(reinterpret_cast<uintptr_t>(list));
        if (s == g_systems.end() || l == g_lists.end())
            return Fail(call, ERROR_INVALID_HANDLE);
        if (int error = standin::InjectedFailure("ZOScan_Analyse"))
            return Fail(call, error);
        system = *s->second;
        items = *l->second;
    }
    Log(call + " items=" + Number(items.size()) + " begins");
    // No lock is held while the callbacks run: they may call back into the interface.
    int result = RunAnalysis(system, items);
    if (result)
        g_lastError = result;
    Log(call + " -> " + Number(result));
    return result;
}

extern "C" int __stdcall ZOScan_GetLastError(ZoScanHandle handle)
{
    int code = g_lastError;
    Log("ZOScan_GetLastError handle=" + HandleText(handle) + " -> " + Number(code));
    return code;
}
