#include "Hooks.h"

#include "ExitProgram.h"
#include "Globals.h"
#include "TestSeams.h"

#include <windows.h>

namespace {

// A test may keep the audit "running" until it drops "stop.dat" into the program folder.
void WaitForStopFile()
{
    std::string stopFile = g_config.programFolder + "\\stop.dat";
    while (GetFileAttributesA(stopFile.c_str()) == INVALID_FILE_ATTRIBUTES)
        Sleep(50);
}

} // namespace

void __cdecl WorkThread(void*)
{
    if (g_system.holdWorkThread)
        WaitForStopFile();
    ExitProgram(EXIT_AUDIT_FINISHED, false);
}

void __cdecl WorkThreadOnlySend(void*)
{
    if (g_system.holdWorkThread)
        WaitForStopFile();
    ExitProgram(EXIT_AUDIT_FINISHED, false);
}

void StopProgressThread(unsigned long) {}

bool WriteFinalProgressRecord(int)
{
    return true;
}

void CleanProgramFolder() {}

void ShowClosingError(int) {}
