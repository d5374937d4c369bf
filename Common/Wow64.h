// File-system redirection of 32-bit programs on 64-bit Windows. Where the system lacks the functions,
// the calls do nothing and report false.
#pragma once

bool DisableFsRedirection(void** oldValue);
bool RevertFsRedirection(void* oldValue);
// Cached for the process.
bool IsWow64();
