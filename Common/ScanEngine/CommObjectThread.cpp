#include "CommObjectThread.h"

#include "KVLog.h"
#include "ScopeLogger.h"
#include "TextHelpers.h"

#include <process.h>

namespace {

const char kModule[] = "KvScan";
constexpr HRESULT kClassNotRegistered = static_cast<HRESULT>(0x80040154);

std::wstring FolderWithBackslash(const std::wstring& programFolder)
{
    std::wstring folder = programFolder;
    if (folder.empty()) {
        wchar_t path[MAX_PATH] = {};
        DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
        folder.assign(path, length);
        size_t slash = folder.find_last_of(L'\\');
        folder.resize(slash == std::wstring::npos ? 0 : slash);
    }
    if (!folder.empty() && folder.back() != L'\\')
        folder += L'\\';
    return folder;
}

// Waits for the stop event while serving the window messages of this thread's apartment: the object
// lives here. Ends when the event is set or cannot be waited on.
void ServeUntil(HANDLE stop)
{
    while (MsgWaitForMultipleObjects(1, &stop, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

} // namespace

unsigned __stdcall CommObjectThread(void* arg)
{
    auto* args = static_cast<CommObjectThreadArgs*>(arg);
    {
        KV_SCOPE(kModule, "CommObjectThread()");
        const std::wstring folder = FolderWithBackslash(args->programFolder);
        const std::wstring libraries[2] = {folder + L"libvorn.dll", folder + L"zocomm.dll"};
        bool registeredHere[2] = {false, false};
        const ProxyRecord* proxy = args->withProxy ? &args->proxy : nullptr;

        args->createResult = args->autoCom.Create(proxy);
        if (args->createResult == kClassNotRegistered) {
            for (int i = 0; i < 2; ++i)
                registeredHere[i] = RegisterLib(libraries[i]);
            if (registeredHere[0] && registeredHere[1])
                args->createResult = args->autoCom.Create(proxy);
        }
        SetEvent(args->ready);

        ServeUntil(args->stop);

        args->autoCom.Release();
        for (int i = 0; i < 2; ++i) {
            if (!registeredHere[i])
                continue;
            KV_GenerateLog(kModule, KV_SOURCE_FILE, __LINE__, "   Unregistering lib %s...",
                           ToNarrow(libraries[i]).c_str());
            UnRegisterLib(libraries[i]);
        }
    }
    SetEvent(args->done);
    return 0;
}

HANDLE StartCommObjectThread(CommObjectThreadArgs& args)
{
    return reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &CommObjectThread, &args, 0, nullptr));
}
