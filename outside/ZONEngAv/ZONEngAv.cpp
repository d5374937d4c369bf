// Development stand-in of the cloud lookup engine. The cloud service is not reachable from it yet:
// every call refuses with ZONENGAV_E_UNAVAILABLE, creates nothing, and is written to the journal
// "ZONEngAv.journal" beside the DLL (one line per call: the export and its arguments).
#include "StandInKit.h"
#include "ZONEngAv.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

HMODULE g_module = nullptr;

void Journal(const char* format, ...)
{
    char line[256];
    va_list args;
    va_start(args, format);
    int length = vsnprintf(line, sizeof(line), format, args);
    va_end(args);
    if (length < 0)
        return;
    if (length > static_cast<int>(sizeof(line)) - 1)
        length = sizeof(line) - 1;
    standin_kit::AppendJournalLine(standin_kit::FileBeside(g_module, "ZONEngAv.journal"), std::string(line, length));
}

unsigned long long V(ZONENGAV_VALUE value) { return static_cast<unsigned long long>(value); }

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        g_module = instance;
    return TRUE;
}

extern "C" {

int ZONENGAV_API ZONENGAV_CreateEngine(ZONENGAV_ENGINE* engine)
{
    if (engine)
        *engine = nullptr;
    Journal("CreateEngine");
    return ZONENGAV_E_UNAVAILABLE;
}

int ZONENGAV_API ZONENGAV_SetPropertyEngine(ZONENGAV_ENGINE engine, uint32_t id, ZONENGAV_VALUE value)
{
    Journal("SetPropertyEngine %p %u %llu", engine, id, V(value));
    return ZONENGAV_E_UNAVAILABLE;
}

int ZONENGAV_API ZONENGAV_InitializeEngine(ZONENGAV_ENGINE engine)
{
    Journal("InitializeEngine %p", engine);
    return ZONENGAV_E_UNAVAILABLE;
}

int ZONENGAV_API ZONENGAV_CreateObject(ZONENGAV_OBJECT* object)
{
    if (object)
        *object = nullptr;
    Journal("CreateObject");
    return ZONENGAV_E_UNAVAILABLE;
}

int ZONENGAV_API ZONENGAV_SetPropertyObject(ZONENGAV_OBJECT object, uint32_t id, ZONENGAV_VALUE value)
{
    Journal("SetPropertyObject %p %u %llu", object, id, V(value));
    return ZONENGAV_E_UNAVAILABLE;
}

int ZONENGAV_API ZONENGAV_Analyze(ZONENGAV_ENGINE engine, ZONENGAV_OBJECT object)
{
    Journal("Analyze %p %p", engine, object);
    return ZONENGAV_E_UNAVAILABLE;
}

int ZONENGAV_API ZONENGAV_Flush(ZONENGAV_ENGINE engine)
{
    Journal("Flush %p", engine);
    return ZONENGAV_E_UNAVAILABLE;
}

int ZONENGAV_API ZONENGAV_GetPropertyObject(ZONENGAV_OBJECT object, uint32_t id, ZONENGAV_VALUE* value)
{
    if (value)
        *value = 0;
    Journal("GetPropertyObject %p %u", object, id);
    return ZONENGAV_E_UNAVAILABLE;
}

int ZONENGAV_API ZONENGAV_ReleaseEngine(ZONENGAV_ENGINE engine)
{
    Journal("ReleaseEngine %p", engine);
    return ZONENGAV_E_UNAVAILABLE;
}

} // extern "C"
