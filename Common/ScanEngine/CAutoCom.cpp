#include "CAutoCom.h"

#include "KVLog.h"
#include "ScopeLogger.h"
#include "TessalyConfig.h"
#include "TextHelpers.h"

#include <oleauto.h>

#include <cwchar>

namespace {

const char kModule[] = "KvScan";

// {A5DE3A6B-8661-4D22-9305-D18029CB252A}: the communications object, created in process.
const CLSID kClsidCommObject = {0xA5DE3A6B, 0x8661, 0x4D22, {0x93, 0x05, 0xD1, 0x80, 0x29, 0xCB, 0x25, 0x2A}};
// {41524153-C449-4344-BF49-08EEE6DECFE6}: its main interface.
const IID kIidCommMain = {0x41524153, 0xC449, 0x4344, {0xBF, 0x49, 0x08, 0xEE, 0xE6, 0xDE, 0xCF, 0xE6}};
// {B4FCF314-A36D-45A7-8D2A-1CE561BA68B6}: its connection-settings interface.
const IID kIidCommSettings = {0xB4FCF314, 0xA36D, 0x45A7, {0x8D, 0x2A, 0x1C, 0xE5, 0x61, 0xBA, 0x68, 0xB6}};

// Slots of the settings interface, called by index.
enum : int {
    kSlotProxyServer = 12, // (BSTR)
    kSlotProxyPort = 13,   // (LONG)
    kSlotProxyUser = 14,   // (BSTR)
    kSlotProxyPassword = 15, // (BSTR)
    kSlotOpenType = 16,    // (LONG) 1 direct, 3 proxy
};
enum : LONG { kOpenDirect = 1, kOpenProxy = 3 };

HRESULT CallNumberSlot(IUnknown* settings, int slot, LONG value)
{
    using Setter = HRESULT(STDMETHODCALLTYPE*)(IUnknown*, LONG);
    void** vtable = *reinterpret_cast<void***>(settings);
    return reinterpret_cast<Setter>(vtable[slot])(settings, value);
}

HRESULT CallTextSlot(IUnknown* settings, int slot, const wchar_t* value)
{
    using Setter = HRESULT(STDMETHODCALLTYPE*)(IUnknown*, BSTR);
    void** vtable = *reinterpret_cast<void***>(settings);
    BSTR text = SysAllocString(value);
    if (!text)
        return E_OUTOFMEMORY;
    HRESULT hr = reinterpret_cast<Setter>(vtable[slot])(settings, text);
    SysFreeString(text);
    return hr;
}

// The record's text, never read past its field even without a terminator.
std::wstring FieldText(const wchar_t* field, size_t capacity)
{
    return std::wstring(field, wcsnlen(field, capacity));
}

HRESULT ConfigureDirect(IUnknown* settings)
{
    KV_GenerateLog(kModule, KV_SOURCE_FILE, __LINE__, "No proxy info --> Open type DIRECT");
    return CallNumberSlot(settings, kSlotOpenType, kOpenDirect);
}

HRESULT ConfigureProxy(IUnknown* settings, const ProxyRecord& record)
{
    const std::wstring server = FieldText(record.server, 260);
    const std::wstring user = FieldText(record.user, 260);
    const std::wstring password = FieldText(record.password, 262);
    KV_GenerateLog(kModule, KV_SOURCE_FILE, __LINE__, "Proxy info found --> Open type PROXY");
    HRESULT hr = CallNumberSlot(settings, kSlotOpenType, kOpenProxy);
    if (FAILED(hr))
        return hr;
    KV_GenerateLog(kModule, KV_SOURCE_FILE, __LINE__, "   ProxyServer: %s:%d", ToNarrow(server).c_str(),
                   static_cast<int>(record.port));
    hr = CallTextSlot(settings, kSlotProxyServer, server.c_str());
    if (FAILED(hr))
        return hr;
    hr = CallNumberSlot(settings, kSlotProxyPort, record.port);
    if (FAILED(hr))
        return hr;
    KV_GenerateLog(kModule, KV_SOURCE_FILE, __LINE__, "      User: %s", ToNarrow(user).c_str());
    hr = CallTextSlot(settings, kSlotProxyUser, user.c_str());
    if (FAILED(hr) || user.empty())
        return hr;
    KV_GenerateLog(kModule, KV_SOURCE_FILE, __LINE__, "      Pass en AutoCom::Create: [********]");
    return CallTextSlot(settings, kSlotProxyPassword, password.c_str());
}

void CopyField(const std::wstring& text, wchar_t* field)
{
    size_t length = text.size() < 259 ? text.size() : 259;
    wmemcpy(field, text.c_str(), length);
    field[length] = L'\0';
}

using RegistrationExport = HRESULT(STDAPICALLTYPE*)();

bool CallRegistrationExport(const std::wstring& path, const char* exportName)
{
    const std::string name = ToNarrow(path);
    KV_GenerateLog(kModule, KV_SOURCE_FILE, __LINE__, "   LibName: %s", name.c_str());
    HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!module) {
        KV_GenerateLog(kModule, KV_SOURCE_FILE, __LINE__, "%s could not be loaded.", name.c_str());
        return false;
    }
    auto call = reinterpret_cast<RegistrationExport>(reinterpret_cast<void*>(GetProcAddress(module, exportName)));
    HRESULT hr = call ? call() : HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
    FreeLibrary(module);
    if (FAILED(hr))
        KV_GenerateLog(kModule, KV_SOURCE_FILE, __LINE__, "%s of %s failed: 0x%X", exportName, name.c_str(),
                       static_cast<unsigned>(hr));
    return SUCCEEDED(hr);
}

} // namespace

void FillProxyRecord(const TessalyConfig& config, ProxyRecord& record)
{
    record = ProxyRecord{};
    record.size = kProxyRecordSize;
    CopyField(config.proxyServer, record.server);
    record.port = static_cast<int32_t>(_wtoi(config.proxyPort.c_str()));
    CopyField(config.proxyUser, record.user);
    CopyField(config.proxyPassword, record.password);
}

CAutoCom::~CAutoCom()
{
    Release();
}

int CAutoCom::Create(const ProxyRecord* record)
{
    KV_SCOPE(kModule, "CAutoCom::Create");
    Release();
    if (record && record->size != kProxyRecordSize)
        return ERROR_INVALID_PARAMETER;

    HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (SUCCEEDED(hr))
        comInitialised_ = true;
    if (SUCCEEDED(hr) || hr == RPC_E_CHANGED_MODE) {
        IUnknown* main = nullptr;
        hr = CoCreateInstance(kClsidCommObject, nullptr, CLSCTX_INPROC_SERVER, kIidCommMain,
                              reinterpret_cast<void**>(&main));
        if (SUCCEEDED(hr)) {
            IUnknown* settings = nullptr;
            hr = main->QueryInterface(kIidCommSettings, reinterpret_cast<void**>(&settings));
            if (SUCCEEDED(hr)) {
                hr = record ? ConfigureProxy(settings, *record) : ConfigureDirect(settings);
                settings->Release();
            }
            if (SUCCEEDED(hr))
                hr = CoMarshalInterThreadInterfaceInStream(kIidCommMain, main, &stream_);
            if (FAILED(hr))
                stream_ = nullptr;
            main->Release();
        }
        if (SUCCEEDED(hr))
            hr = S_OK;
    }
    KV_GenerateLog(kModule, KV_SOURCE_FILE, __LINE__, "CAutoCom::Create result: 0x%X", static_cast<unsigned>(hr));
    return static_cast<int>(hr);
}

IUnknown* CAutoCom::GetComm()
{
    KV_SCOPE(kModule, "CAutoCom::GetComm()");
    if (!stream_)
        return nullptr;
    HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (FAILED(init) && init != RPC_E_CHANGED_MODE)
        return nullptr;
    // COM stays initialised only where this call was the first on the thread.
    if (init == S_FALSE)
        CoUninitialize();
    IUnknown* main = nullptr;
    IStream* stream = stream_;
    stream_ = nullptr;
    if (FAILED(CoGetInterfaceAndReleaseStream(stream, kIidCommMain, reinterpret_cast<void**>(&main)))) {
        if (init == S_OK)
            CoUninitialize();
        return nullptr;
    }
    KV_GenerateLog(kModule, KV_SOURCE_FILE, __LINE__, "CAutoCom::GetComm Ok.");
    return main;
}

void CAutoCom::Release()
{
    if (stream_) {
        // Nobody took the interface: give back the reference the marshalling holds.
        const LARGE_INTEGER start{};
        stream_->Seek(start, STREAM_SEEK_SET, nullptr);
        CoReleaseMarshalData(stream_);
        stream_->Release();
        stream_ = nullptr;
    }
    if (comInitialised_) {
        comInitialised_ = false;
        CoUninitialize();
    }
}

bool RegisterLib(const std::wstring& path)
{
    KV_SCOPE(kModule, "RegisterLib()");
    return CallRegistrationExport(path, "DllRegisterServer");
}

bool UnRegisterLib(const std::wstring& path)
{
    KV_SCOPE(kModule, "UnRegisterLib()");
    return CallRegistrationExport(path, "DllUnregisterServer");
}
