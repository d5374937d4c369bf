// Running a program and waiting for its end.
#pragma once

#include <windows.h>

// Starts the command line, waits without limit, stores the exit code when the wait and the query
// succeed. Returns whether the process was created.
bool RunAndWait(const wchar_t* commandLine, DWORD* exitCode);
