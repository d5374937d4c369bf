// The thread that hosts the communications object during a scan.
//
// The scan creates three manual-reset events, not signalled, fills a CommObjectThreadArgs and starts
// CommObjectThread with it (StartCommObjectThread). Then:
//   1. it waits for `ready`: the object exists (createResult 0) or could not be made;
//   2. it takes the object with args.autoCom.GetComm() on its own thread and uses it;
//   3. after releasing its pointer it signals `stop`, on every path, and waits for `done`, after which
//      the thread has released the object and unregistered what it registered.
#pragma once

#include "CAutoCom.h"

#include <windows.h>

#include <string>

struct CommObjectThreadArgs {
    HANDLE ready = nullptr; // set by the thread: the object exists or failed
    HANDLE stop = nullptr;  // set by the scan: the object is no longer used
    HANDLE done = nullptr;  // set by the thread: object released, libraries unregistered
    // Folder of "libvorn.dll" and "zocomm.dll"; empty: the folder of the running program.
    std::wstring programFolder;
    bool withProxy = false;
    ProxyRecord proxy{};
    // The object's holder; the scan calls GetComm on it once `ready` is set.
    CAutoCom autoCom;
    // Result of the last CAutoCom::Create, valid once `ready` is set.
    int createResult = -1;
};

// Thread routine (for _beginthreadex); arg is a CommObjectThreadArgs that outlives the thread.
unsigned __stdcall CommObjectThread(void* arg);

// Starts the thread; returns its handle (null on failure, in which case nothing will be signalled).
HANDLE StartCommObjectThread(CommObjectThreadArgs& args);
