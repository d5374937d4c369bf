// Steps of KVScan that later pieces of the program fill in; each sits at its call site already.
#pragma once

#include <string>

// Strings.ini translation of the user texts (loaded at start-up, kept for the life of the process).
class Translation {
public:
    explicit Translation(const std::string& stringsFile) : stringsFile_(stringsFile) {}
    const std::string& StringsFile() const { return stringsFile_; }

private:
    std::string stringsFile_;
};

// Audit work threads: they end the process through ExitProgram.
void __cdecl WorkThread(void* instance);
void __cdecl WorkThreadOnlySend(void* instance);

// Minimum requirements of the machine; true when met. driveRoot is e.g. "C:".
bool CheckMinimumRequirements(const std::string& driveRoot);
void ShowRequirementsWindow();

// The progress thread and the final progress record; false when the record could not be written.
void StopProgressThread(unsigned long timeoutMs);
bool WriteFinalProgressRecord(int progressStatus);

// Clean-up of the program folder at exit.
void CleanProgramFolder();
// The closing error window for a non-zero status.
void ShowClosingError(int status);
