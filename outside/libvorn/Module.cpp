// Module state of "libvorn.dll": where its journal and scenario files are, and its unload rule.

#include "CommObject.h"
#include "ServerModule.h"

namespace vorn {

HMODULE g_module = nullptr;
LONG g_objects = 0;
LONG g_locks = 0;
standin::Journal g_journal;
standin::Scenario g_scenario;

std::string IidField(const char* name, REFIID iid)
{
    wchar_t text[40] = {};
    StringFromGUID2(iid, text, 40);
    return standin::Field(name, text);
}

} // namespace vorn

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        vorn::g_module = instance;
        DisableThreadLibraryCalls(instance);
        vorn::g_journal.Bind(instance, COMM_OBJECT_JOURNAL_FILE,
                             "TEST DATA: journal of the libvorn.dll development stand-in. Values are recorded as "
                             "given, passwords included.");
        vorn::g_scenario.Bind(vorn::g_journal.Folder(), COMM_OBJECT_SCENARIO_FILE);
    }
    return TRUE;
}

extern "C" HRESULT WINAPI DllCanUnloadNow()
{
    LONG objects = vorn::g_objects;
    LONG locks = vorn::g_locks;
    HRESULT hr = objects == 0 && locks == 0 ? S_OK : S_FALSE;
    return vorn::g_journal.Write("DllCanUnloadNow", standin::Field("objects", objects) + standin::Field("locks", locks),
                                 hr);
}
