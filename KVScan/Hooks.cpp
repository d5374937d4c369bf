#include "Hooks.h"

void CleanProgramFolder() {}

void ShowClosingError(int) {}
