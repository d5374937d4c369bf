// The quarantine element manager of the run: started before the analyses so that the engine can put
// suspicious elements into the SuspiciousFolder, ended after them.
#include "AdapterState.h"
#include "FileHelpers.h"
#include "Globals.h"
#include "KVEReport.h"
#include "KVLog.h"
#include "ScopeLogger.h"
#include "Md5.h"
#include "ScanSteps.h"
#include "TextHelpers.h"
#include "zosqem.h"

#include <windows.h>

#include <string>

namespace {

struct QemLibrary {
    HMODULE module = nullptr;
    QEM_InitializeQuarantineManager_t initialize = nullptr;
    QEM_FinalizeQuarantineManager_t finalize = nullptr;
};

QemLibrary g_qem;
std::string g_qemPath;
QEM_MANAGER g_manager = 0;

// 0, or the loader's error. The library of the program folder: bound again when the folder changed
// since the last manager ended.
int Bind()
{
    std::string path = g_config.programFolder + "\\zosqem.dll";
    if (g_qem.module && (path == g_qemPath || g_manager))
        return 0;
    if (g_qem.module) {
        FreeLibrary(g_qem.module);
        g_qem = QemLibrary();
    }
    HMODULE module = LoadLibraryA(path.c_str());
    if (!module) {
        DWORD error = GetLastError();
        KVSCAN_LOG("Error %lu loading %s", error, path.c_str());
        return static_cast<int>(error ? error : ERROR_MOD_NOT_FOUND);
    }
    auto initialize = reinterpret_cast<QEM_InitializeQuarantineManager_t>(
        reinterpret_cast<void*>(GetProcAddress(module, "QEM_InitializeQuarantineManager")));
    auto finalize = reinterpret_cast<QEM_FinalizeQuarantineManager_t>(
        reinterpret_cast<void*>(GetProcAddress(module, "QEM_FinalizeQuarantineManager")));
    if (!initialize || !finalize) {
        KVSCAN_LOG("zosqem.dll lacks the manager calls");
        FreeLibrary(module);
        return ERROR_PROC_NOT_FOUND;
    }
    g_qem = {module, initialize, finalize};
    g_qemPath = path;
    return 0;
}

std::string Cut(const std::wstring& text, size_t limit)
{
    std::string narrow = ToNarrow(text);
    return narrow.size() > limit ? narrow.substr(0, limit) : narrow;
}

} // namespace

int StartQuarantineManager()
{
    if (int error = Bind())
        return error;
    std::string clientId = ProgramFolderHash().substr(0, 32);
    std::string appRef = Cut(g_config.appRefVersion, 32);
    std::string product = "Morvik";
    std::string clientVersion = Cut(g_config.clientVersion, 11);
    std::string user = Cut(g_config.user, 32);
    std::string folder = Cut(MakeAbsolute(g_config.suspiciousFolder, ToWide(g_config.programFolder)), 260);

    QEM_START_BLOCK block = {};
    block.version = 1;
    block.clientId = clientId.c_str();
    block.appRefVersion = appRef.c_str();
    block.productName = product.c_str();
    block.clientVersion = clientVersion.c_str();
    block.mode = 2;
    block.userName = user.c_str();
    block.folder = folder.c_str();
    KVSCAN_LOG("QEM start block: version %u, client %s, AppRefVersion [%s], product %s, client version %s, mode %u, "
               "user [%s], folder [%s]",
               block.version, block.clientId, block.appRefVersion, block.productName, block.clientVersion, block.mode,
               block.userName, block.folder);
    QEM_MANAGER manager = 0;
    int result = g_qem.initialize(&block, &manager);
    if (result != 0)
        return result;
    g_manager = manager;
    Adapter().qemClientId = manager;
    return 0;
}

void FinalizeQuarantineManager()
{
    if (!g_qem.finalize || !g_manager)
        return;
    int result = g_qem.finalize(&g_manager);
    if (result != 0)
        KVSCAN_LOG("Error %d finalizing Quarantine Manager", result);
    g_manager = 0;
    Adapter().qemClientId = 0;
}

void SendScanErrorReport(int code, const char* message, unsigned long systemError, const std::string& extra)
{
    KV_GenerateErrorReport(g_config.instanceId.c_str(), g_config.logModule.c_str(), code, message,
                           static_cast<int>(systemError), extra.c_str(), 0, g_config.reportsPathA.c_str(),
                           g_config.configWasEncrypted ? 1 : 0);
}
