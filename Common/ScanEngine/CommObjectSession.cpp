#include "CommObjectSession.h"

#include "AdapterState.h"
#include "KVLog.h"
#include "ScopeLogger.h"
#include "TessalyConfig.h"
#include "TextHelpers.h"

CommObjectSession::CommObjectSession(const TessalyConfig& config)
{
    const char* module = config.logModule.c_str();
    args_.ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    args_.stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    args_.done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    args_.programFolder = ToWide(config.programFolder);
    if (!config.proxyServer.empty()) {
        args_.withProxy = true;
        FillProxyRecord(config, args_.proxy);
        std::string text = "[" + ToNarrow(config.proxyServer) + ":" + ToNarrow(config.proxyPort) + "]. Credentials: [" +
                           ToNarrow(config.proxyUser) + ":********]";
        KV_GenerateLog(module, KV_SOURCE_FILE, __LINE__, "Creating LibVorn Object with proxy %s", text.c_str());
    } else {
        KV_GenerateLog(module, KV_SOURCE_FILE, __LINE__, "Creating LibVorn Object without proxy.");
    }
    if (!args_.ready || !args_.stop || !args_.done)
        return;
    thread_ = StartCommObjectThread(args_);
    if (!thread_)
        return;
    WaitForSingleObject(args_.ready, INFINITE);
    if (args_.createResult != 0)
        return;
    // The scan's own COM use; GetComm then keeps none of its own.
    HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    comInitialised_ = SUCCEEDED(init);
    object_ = args_.autoCom.GetComm();
}

CommObjectSession::~CommObjectSession()
{
    if (object_)
        object_->Release();
    if (comInitialised_)
        CoUninitialize();
    if (thread_) {
        SetEvent(args_.stop);
        WaitForSingleObject(args_.done, INFINITE);
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
    }
    for (HANDLE event : {args_.ready, args_.stop, args_.done})
        if (event)
            CloseHandle(event);
}
