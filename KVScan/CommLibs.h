// Registration of the communication COM libraries ("libvorn.dll", "zocomm.dll") of the program
// folder, done only when the communications object cannot be created, and undone only by the
// process that did it.
#pragma once

#include <windows.h>

void RegisterCommLibs();
void UnregisterCommLibs();

// The creation test of the communications object. Until the engine adapter's object exists this
// reports S_OK, which leaves the libraries alone.
HRESULT TryCreateCommObject();
