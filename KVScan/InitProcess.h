// The start-up sequence of KVScan: returns normally or ends the process through ExitProgram.
#pragma once

void InitProcess();
