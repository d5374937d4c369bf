// Stand-in for the maker's NT utility library.
//
// GetLoggedUser answers from "LoggedUser.txt" beside the DLL when that file exists: its first line
// is the user name, or the single word "!fail" to make the call fail. Without the file it asks the
// system for the user of the active console session. Every call appends one line to
// "KVNTUtils.journal" beside the DLL: "GetLoggedUser <result> [<name>] (<source>)".

#include "KVNTUtils.h"
#include "StandInKit.h"

#include <windows.h>
#include <wtsapi32.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

HMODULE g_module = nullptr;

std::string BesideDll(const char* name)
{
    return standin_kit::FileBeside(g_module, name);
}

void Journal(const std::string& line)
{
    standin_kit::AppendJournalLine(BesideDll("KVNTUtils.journal"), line);
}

// 1: file read (name or fail word in *line); 0: no file.
int ReadScenario(std::string* line)
{
    FILE* f = std::fopen(BesideDll("LoggedUser.txt").c_str(), "rb");
    if (!f)
        return 0;
    char buffer[KVNTUTILS_USER_BUFFER] = {};
    if (!std::fgets(buffer, sizeof buffer, f))
        buffer[0] = 0;
    std::fclose(f);
    *line = buffer;
    while (!line->empty() && (line->back() == '\r' || line->back() == '\n'))
        line->pop_back();
    return 1;
}

bool ConsoleUser(std::string* name)
{
    char* user = nullptr;
    DWORD bytes = 0;
    DWORD session = WTSGetActiveConsoleSessionId();
    if (session == 0xFFFFFFFF ||
        !WTSQuerySessionInformationA(WTS_CURRENT_SERVER_HANDLE, session, WTSUserName, &user, &bytes) || !user)
        return false;
    *name = user;
    WTSFreeMemory(user);
    return !name->empty();
}

} // namespace

extern "C" int __stdcall GetLoggedUser(char* buffer)
{
    if (!buffer) {
        Journal("GetLoggedUser 0 (no buffer)");
        return 0;
    }
    std::string name;
    const char* source = "LoggedUser.txt";
    bool found;
    if (ReadScenario(&name)) {
        found = name != "!fail" && !name.empty();
    } else {
        source = "console session";
        found = ConsoleUser(&name);
    }
    if (!found) {
        Journal(std::string("GetLoggedUser 0 (") + source + ")");
        return 0;
    }
    if (name.size() > KVNTUTILS_USER_BUFFER - 1)
        name.resize(KVNTUTILS_USER_BUFFER - 1);
    std::memcpy(buffer, name.c_str(), name.size() + 1);
    Journal("GetLoggedUser 1 " + name + " (" + source + ")");
    return 1;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        g_module = instance;
    return TRUE;
}
