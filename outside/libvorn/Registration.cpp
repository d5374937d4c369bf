// Self-registration of "libvorn.dll": HKCR\CLSID\{class}\InprocServer32 with the DLL's full path and
// its threading model. A 32-bit DLL on 64-bit Windows writes through the 32-bit registry view, where
// 32-bit callers find it.

#include "CommObject.h"
#include "ServerModule.h"

namespace vorn {

namespace {

LONG WriteServerKeys(const std::wstring& path)
{
    HKEY classKey = nullptr;
    LONG error = RegCreateKeyExW(HKEY_CLASSES_ROOT, COMM_OBJECT_CLSID_KEY, 0, nullptr, 0, KEY_WRITE, nullptr,
                                 &classKey, nullptr);
    if (error != ERROR_SUCCESS)
        return error;
    error = standin::SetRegText(classKey, nullptr, L"Communications object");
    RegCloseKey(classKey);
    if (error != ERROR_SUCCESS)
        return error;

    HKEY serverKey = nullptr;
    error = RegCreateKeyExW(HKEY_CLASSES_ROOT, COMM_OBJECT_SERVER_KEY, 0, nullptr, 0, KEY_WRITE, nullptr, &serverKey,
                            nullptr);
    if (error != ERROR_SUCCESS)
        return error;
    error = standin::SetRegText(serverKey, nullptr, path);
    if (error == ERROR_SUCCESS)
        error = standin::SetRegText(serverKey, L"ThreadingModel", COMM_OBJECT_THREADING_MODEL);
    RegCloseKey(serverKey);
    return error;
}

} // namespace

} // namespace vorn

extern "C" HRESULT WINAPI DllRegisterServer()
{
    std::wstring path = standin::ModulePath(vorn::g_module);
    std::string args = standin::Field("key", COMM_OBJECT_SERVER_KEY) + standin::Field("path", path.c_str()) +
                       standin::Field("threadingModel", COMM_OBJECT_THREADING_MODEL);
    HRESULT hr = S_OK;
    if (vorn::g_scenario.Fails(L"DllRegisterServer", &hr))
        return vorn::g_journal.Write("DllRegisterServer", args, hr, true);
    LONG error = vorn::WriteServerKeys(path);
    if (error != ERROR_SUCCESS) {
        // Leave no half-written class behind.
        RegDeleteTreeW(HKEY_CLASSES_ROOT, COMM_OBJECT_CLSID_KEY);
        return vorn::g_journal.Write("DllRegisterServer", args, HRESULT_FROM_WIN32(error));
    }
    return vorn::g_journal.Write("DllRegisterServer", args, S_OK);
}

extern "C" HRESULT WINAPI DllUnregisterServer()
{
    std::string args = standin::Field("key", COMM_OBJECT_CLSID_KEY);
    HRESULT hr = S_OK;
    if (vorn::g_scenario.Fails(L"DllUnregisterServer", &hr))
        return vorn::g_journal.Write("DllUnregisterServer", args, hr, true);
    LONG error = RegDeleteTreeW(HKEY_CLASSES_ROOT, COMM_OBJECT_CLSID_KEY);
    if (error == ERROR_FILE_NOT_FOUND)
        return vorn::g_journal.Write("DllUnregisterServer", args + " absent", S_OK);
    return vorn::g_journal.Write("DllUnregisterServer", args, HRESULT_FROM_WIN32(error));
}
