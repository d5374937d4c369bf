// The communications object: ICommObject for the engine, ICommSettings for whoever configures the
// connection. It aggregates the free-threaded marshaler, so a pointer marshalled to another thread of the
// process reaches the object directly; its state is therefore guarded by a lock.
//
// Every call except IUnknown's is journaled with its values; the scenario file can make any of them fail
// (the call then has no effect) and gives the answers of Check.

#include "CommObject.h"
#include "ServerModule.h"

#include <new>
#include <string>

namespace vorn {

namespace {

using standin::Field;

LONG g_sequence = 0;

std::wstring FromBstr(BSTR text)
{
    return text ? std::wstring(text, SysStringLen(text)) : std::wstring();
}

// Scoped lock of the object's state.
class Guard {
public:
    explicit Guard(CRITICAL_SECTION* lock) : lock_(lock) { EnterCriticalSection(lock_); }
    ~Guard() { LeaveCriticalSection(lock_); }
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;

private:
    CRITICAL_SECTION* lock_;
};

class CommObject final : public ICommObject, public ICommSettings {
public:
    CommObject() : id_(InterlockedIncrement(&g_sequence))
    {
        InitializeCriticalSection(&lock_);
        InterlockedIncrement(&g_objects);
    }

    HRESULT Init()
    {
        return CoCreateFreeThreadedMarshaler(static_cast<ICommObject*>(this), &marshaler_);
    }

    // IUnknown (both interfaces)
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_ICommObject))
            *out = static_cast<ICommObject*>(this);
        else if (IsEqualIID(iid, IID_ICommSettings))
            *out = static_cast<ICommSettings*>(this);
        else if (IsEqualIID(iid, IID_IMarshal) && marshaler_)
            return marshaler_->QueryInterface(iid, out);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        LONG left = InterlockedDecrement(&refs_);
        if (left == 0)
            delete this;
        return static_cast<ULONG>(left);
    }

    // ICommObject
    HRESULT STDMETHODCALLTYPE Check(BSTR item, LONG* verdict) override
    {
        std::wstring text = FromBstr(item);
        Guard guard(&lock_);
        std::string args = Object() + Field("item", item ? text.c_str() : nullptr) + Field("openType", openType_);
        if (openType_ == kCommOpenProxy)
            args += Field("proxy", (proxyServer_ + L":" + std::to_wstring(proxyPort_)).c_str()) +
                    Field("proxyUser", proxyUser_.c_str());
        HRESULT hr = S_OK;
        if (!verdict)
            return g_journal.Write("Check", args, E_POINTER);
        if (g_scenario.Fails(L"Check", &hr))
            return g_journal.Write("Check", args, hr, true);
        if (openType_ == kCommOpenProxy && proxyServer_.empty())
            return g_journal.Write("Check", args, HRESULT_FROM_WIN32(12007)); // proxy name not resolved
        long defaultVerdict = g_scenario.Number(L"Check", L"Default", 0);
        *verdict = text.empty() ? defaultVerdict : g_scenario.Number(L"Check", text.c_str(), defaultVerdict);
        ++checks_;
        return g_journal.Write("Check", args + Field("verdict", *verdict), S_OK);
    }

    HRESULT STDMETHODCALLTYPE GetConnection(LONG* openType, BSTR* proxyServer, LONG* proxyPort,
                                            BSTR* proxyUser) override
    {
        Guard guard(&lock_);
        HRESULT hr = S_OK;
        if (g_scenario.Fails(L"GetConnection", &hr))
            return g_journal.Write("GetConnection", Object(), hr, true);
        if (openType)
            *openType = openType_;
        if (proxyPort)
            *proxyPort = proxyPort_;
        if (proxyServer)
            *proxyServer = SysAllocString(proxyServer_.c_str());
        if (proxyUser)
            *proxyUser = SysAllocString(proxyUser_.c_str());
        return g_journal.Write("GetConnection",
                               Object() + Field("openType", openType_) + Field("proxyServer", proxyServer_.c_str()) +
                                   Field("proxyPort", proxyPort_) + Field("proxyUser", proxyUser_.c_str()),
                               S_OK);
    }

    HRESULT STDMETHODCALLTYPE GetCheckCount(LONG* count) override
    {
        Guard guard(&lock_);
        if (!count)
            return g_journal.Write("GetCheckCount", Object(), E_POINTER);
        *count = checks_;
        return g_journal.Write("GetCheckCount", Object() + Field("count", checks_), S_OK);
    }

    // ICommSettings: read-back and tuning
    HRESULT STDMETHODCALLTYPE GetOpenType(LONG* value) override { return GetNumber("GetOpenType", openType_, value); }
    HRESULT STDMETHODCALLTYPE GetProxyServer(BSTR* value) override
    {
        return GetText("GetProxyServer", proxyServer_, value);
    }
    HRESULT STDMETHODCALLTYPE GetProxyPort(LONG* value) override { return GetNumber("GetProxyPort", proxyPort_, value); }
    HRESULT STDMETHODCALLTYPE GetProxyUser(BSTR* value) override { return GetText("GetProxyUser", proxyUser_, value); }
    HRESULT STDMETHODCALLTYPE HasProxyPassword(VARIANT_BOOL* has) override
    {
        Guard guard(&lock_);
        if (!has)
            return g_journal.Write("HasProxyPassword", Object(), E_POINTER);
        *has = proxyPassword_.empty() ? VARIANT_FALSE : VARIANT_TRUE;
        return g_journal.Write("HasProxyPassword", Object() + Field("value", proxyPassword_.empty() ? 0L : 1L), S_OK);
    }
    HRESULT STDMETHODCALLTYPE GetTimeout(LONG* value) override { return GetNumber("GetTimeout", timeout_, value); }
    HRESULT STDMETHODCALLTYPE SetTimeout(LONG seconds) override
    {
        return SetNumber("SetTimeout", L"SetTimeout", seconds, seconds >= 0, &timeout_);
    }
    HRESULT STDMETHODCALLTYPE GetServerUrl(BSTR* value) override { return GetText("GetServerUrl", serverUrl_, value); }
    HRESULT STDMETHODCALLTYPE SetServerUrl(BSTR url) override
    {
        return SetText("SetServerUrl", L"SetServerUrl", url, &serverUrl_);
    }

    // ICommSettings: slots 12 to 16
    HRESULT STDMETHODCALLTYPE SetProxyServer(BSTR server) override
    {
        return SetText("SetProxyServer", L"SetProxyServer", server, &proxyServer_);
    }
    HRESULT STDMETHODCALLTYPE SetProxyPort(LONG port) override
    {
        return SetNumber("SetProxyPort", L"SetProxyPort", port, port >= 0 && port <= 65535, &proxyPort_);
    }
    HRESULT STDMETHODCALLTYPE SetProxyUser(BSTR user) override
    {
        return SetText("SetProxyUser", L"SetProxyUser", user, &proxyUser_);
    }
    HRESULT STDMETHODCALLTYPE SetProxyPassword(BSTR password) override
    {
        return SetText("SetProxyPassword", L"SetProxyPassword", password, &proxyPassword_);
    }
    HRESULT STDMETHODCALLTYPE SetOpenType(LONG openType) override
    {
        bool known = openType == kCommOpenPreconfig || openType == kCommOpenDirect || openType == kCommOpenProxy ||
                     openType == kCommOpenPreconfigNoAutoProxy;
        return SetNumber("SetOpenType", L"SetOpenType", openType, known, &openType_);
    }

private:
    ~CommObject()
    {
        g_journal.Write("ObjectDestroyed", Object(), S_OK);
        if (marshaler_)
            marshaler_->Release();
        DeleteCriticalSection(&lock_);
        InterlockedDecrement(&g_objects);
    }

    std::string Object() const { return Field("object", id_); }

    HRESULT GetNumber(const char* call, const LONG& field, LONG* out)
    {
        Guard guard(&lock_);
        if (!out)
            return g_journal.Write(call, Object(), E_POINTER);
        *out = field;
        return g_journal.Write(call, Object() + Field("value", field), S_OK);
    }

    HRESULT GetText(const char* call, const std::wstring& field, BSTR* out)
    {
        Guard guard(&lock_);
        if (!out)
            return g_journal.Write(call, Object(), E_POINTER);
        *out = SysAllocString(field.c_str());
        if (!*out)
            return g_journal.Write(call, Object(), E_OUTOFMEMORY);
        return g_journal.Write(call, Object() + Field("value", field.c_str()), S_OK);
    }

    HRESULT SetNumber(const char* call, const wchar_t* scenarioKey, LONG value, bool valid, LONG* field)
    {
        Guard guard(&lock_);
        std::string args = Object() + Field("value", value);
        HRESULT hr = S_OK;
        if (g_scenario.Fails(scenarioKey, &hr))
            return g_journal.Write(call, args, hr, true);
        if (!valid)
            return g_journal.Write(call, args, E_INVALIDARG);
        *field = value;
        return g_journal.Write(call, args, S_OK);
    }

    HRESULT SetText(const char* call, const wchar_t* scenarioKey, BSTR value, std::wstring* field)
    {
        std::wstring text = FromBstr(value);
        Guard guard(&lock_);
        std::string args = Object() + Field("value", value ? text.c_str() : nullptr);
        HRESULT hr = S_OK;
        if (g_scenario.Fails(scenarioKey, &hr))
            return g_journal.Write(call, args, hr, true);
        *field = text;
        return g_journal.Write(call, args, S_OK);
    }

    LONG refs_ = 1;
    const LONG id_;
    IUnknown* marshaler_ = nullptr;
    CRITICAL_SECTION lock_;
    LONG openType_ = kCommOpenPreconfig;
    std::wstring proxyServer_;
    LONG proxyPort_ = 0;
    std::wstring proxyUser_;
    std::wstring proxyPassword_;
    std::wstring serverUrl_;
    LONG timeout_ = 30;
    LONG checks_ = 0;
};

} // namespace

HRESULT CreateCommObject(REFIID iid, void** out)
{
    CommObject* object = new (std::nothrow) CommObject();
    if (!object)
        return E_OUTOFMEMORY;
    HRESULT hr = object->Init();
    if (SUCCEEDED(hr))
        hr = object->QueryInterface(iid, out);
    object->Release();
    return hr;
}

} // namespace vorn
