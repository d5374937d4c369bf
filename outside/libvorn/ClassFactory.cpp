// Class factory of the communications object and DllGetClassObject.

#include "CommObject.h"
#include "ServerModule.h"

namespace vorn {

namespace {

// One static factory for the whole module; its references keep nothing alive but the module lock.
class ClassFactory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (!out)
            return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
            *out = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override
    {
        InterlockedIncrement(&g_locks);
        return 2;
    }
    ULONG STDMETHODCALLTYPE Release() override
    {
        InterlockedDecrement(&g_locks);
        return 1;
    }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override
    {
        std::string args = IidField("iid", iid);
        if (!out)
            return g_journal.Write("CreateInstance", args, E_POINTER);
        *out = nullptr;
        if (outer)
            return g_journal.Write("CreateInstance", args, CLASS_E_NOAGGREGATION);
        HRESULT hr = S_OK;
        if (g_scenario.Fails(L"CreateInstance", &hr))
            return g_journal.Write("CreateInstance", args, hr, true);
        hr = CreateCommObject(iid, out);
        return g_journal.Write("CreateInstance", args, hr);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override
    {
        if (lock)
            InterlockedIncrement(&g_locks);
        else
            InterlockedDecrement(&g_locks);
        return g_journal.Write("LockServer", standin::Field("lock", static_cast<long>(lock != FALSE)), S_OK);
    }
};

ClassFactory g_factory;

} // namespace

} // namespace vorn

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out)
{
    std::string args = vorn::IidField("clsid", clsid) + vorn::IidField("iid", iid);
    if (!out)
        return vorn::g_journal.Write("DllGetClassObject", args, E_POINTER);
    *out = nullptr;
    HRESULT hr = S_OK;
    if (vorn::g_scenario.Fails(L"DllGetClassObject", &hr))
        return vorn::g_journal.Write("DllGetClassObject", args, hr, true);
    if (!IsEqualCLSID(clsid, CLSID_CommObject))
        return vorn::g_journal.Write("DllGetClassObject", args, CLASS_E_CLASSNOTAVAILABLE);
    hr = vorn::g_factory.QueryInterface(iid, out);
    return vorn::g_journal.Write("DllGetClassObject", args, hr);
}
