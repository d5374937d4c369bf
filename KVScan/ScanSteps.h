// Steps of the scan thread that live in files of their own.
#pragma once

#include <string>

// MAPI client registration of the two mail programs (HKLM "...\Windows Messaging Subsystem\MSMapiApps").
// root is HKLM in the program; tests pass a scratch key. 0 or the registry error.
int SetMapiClientValues(void* root = nullptr);
void RemoveMapiClientValues(void* root = nullptr);

// The quarantine element manager of the run ("zosqem.dll" in the program folder): 0 ready (the client
// identifier is handed to the engine adapter), otherwise the manager's error or the loader's.
int StartQuarantineManager();
void FinalizeQuarantineManager();

// An error report of the scan into the reports folder.
void SendScanErrorReport(int code, const char* message, unsigned long systemError, const std::string& extra = "");
