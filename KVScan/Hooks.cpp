#include "Hooks.h"

void StopProgressThread(unsigned long) {}

bool WriteFinalProgressRecord(int)
{
    // The progress file of the folder and FTP destinations is not part of this build yet: nothing was
    // written, and the exit routine must not take it for written.
    return false;
}

void CleanProgramFolder() {}

void ShowClosingError(int) {}
