// What the parts of "libvorn.dll" share: the module's counters, its journal and scenario files, and the
// object's constructor.
#pragma once

#include "StandInFiles.h"

#include <objbase.h>

namespace vorn {

extern HMODULE g_module;
extern LONG g_objects;   // live communications objects
extern LONG g_locks;     // class factory references and IClassFactory::LockServer locks
extern standin::Journal g_journal;
extern standin::Scenario g_scenario;

// Creates one communications object and queries it for iid (CreateInstance of the class factory).
HRESULT CreateCommObject(REFIID iid, void** out);

// " iid={...}"
std::string IidField(const char* name, REFIID iid);

} // namespace vorn
