#include "Hooks.h"

void StopProgressThread(unsigned long) {}

bool WriteFinalProgressRecord(int)
{
    return true;
}

void CleanProgramFolder() {}

void ShowClosingError(int) {}
