// The hidden main window of KVScan: it answers the end of the session while an audit runs.
#pragma once

#include "TessalyConfig.h"

#include <windows.h>

// Creates the window (never shown). False when it cannot be created.
bool InitUI(HINSTANCE instance);

// The answer to WM_QUERYENDSESSION: messages not allowed force AllowSystemShutdown to true.
bool AllowEndOfSession(TessalyConfig& config);

extern const char kRefuseShutdownText[];
