// Stand-in for "zocomm.dll": self-registration only. DllRegisterServer writes HKCR\ZoComm.Transport with
// the DLL's full path, DllUnregisterServer removes it; both are journaled in "zocomm_journal.txt" and can
// be made to fail from "zocomm_scenario.ini" ([Fail] DllRegisterServer=<HRESULT>), both beside the DLL.

#include "zocomm.h"

#include "StandInFiles.h"

#include <windows.h>

namespace {

HMODULE g_module = nullptr;
standin::Journal g_journal;
standin::Scenario g_scenario;

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        DisableThreadLibraryCalls(instance);
        g_journal.Bind(instance, ZOCOMM_JOURNAL_FILE,
                       "TEST DATA: journal of the zocomm.dll development stand-in.");
        g_scenario.Bind(g_journal.Folder(), ZOCOMM_SCENARIO_FILE);
    }
    return TRUE;
}

extern "C" HRESULT WINAPI DllRegisterServer()
{
    std::wstring path = standin::ModulePath(g_module);
    std::string args = standin::Field("key", ZOCOMM_MARKER_KEY) + standin::Field("path", path.c_str());
    HRESULT hr = S_OK;
    if (g_scenario.Fails(L"DllRegisterServer", &hr))
        return g_journal.Write("DllRegisterServer", args, hr, true);
    HKEY key = nullptr;
    LONG error = RegCreateKeyExW(HKEY_CLASSES_ROOT, ZOCOMM_MARKER_KEY, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                                 nullptr);
    if (error == ERROR_SUCCESS) {
        error = standin::SetRegText(key, nullptr, L"Communications transport");
        if (error == ERROR_SUCCESS)
            error = standin::SetRegText(key, ZOCOMM_PATH_VALUE, path);
        RegCloseKey(key);
        if (error != ERROR_SUCCESS)
            RegDeleteTreeW(HKEY_CLASSES_ROOT, ZOCOMM_MARKER_KEY);
    }
    return g_journal.Write("DllRegisterServer", args, HRESULT_FROM_WIN32(error));
}

extern "C" HRESULT WINAPI DllUnregisterServer()
{
    std::string args = standin::Field("key", ZOCOMM_MARKER_KEY);
    HRESULT hr = S_OK;
    if (g_scenario.Fails(L"DllUnregisterServer", &hr))
        return g_journal.Write("DllUnregisterServer", args, hr, true);
    LONG error = RegDeleteTreeW(HKEY_CLASSES_ROOT, ZOCOMM_MARKER_KEY);
    if (error == ERROR_FILE_NOT_FOUND)
        return g_journal.Write("DllUnregisterServer", args + " absent", S_OK);
    return g_journal.Write("DllUnregisterServer", args, HRESULT_FROM_WIN32(error));
}
