#include "Process.h"

#include <string>

bool RunAndWait(const wchar_t* commandLine, DWORD* exitCode)
{
    if (!commandLine)
        return false;
    std::wstring line = commandLine; // CreateProcessW may write into the command line
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr, nullptr,
                        &startup, &process))
        return false;
    DWORD code = 0;
    if (WaitForSingleObject(process.hProcess, INFINITE) == WAIT_OBJECT_0 &&
        GetExitCodeProcess(process.hProcess, &code) && exitCode)
        *exitCode = code;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}
