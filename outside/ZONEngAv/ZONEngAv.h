// The maker's cloud lookup engine, "ZONEngAv.dll": digests are submitted as engine objects and the
// answers come back through the callback block set on each object. Calling convention: stdcall,
// exported undecorated. Every call returns 0 on success and an error number otherwise. Property
// values are 32-bit on 32-bit Windows (pointer-sized, so addresses pass through on 64-bit).
#pragma once

#include <stdint.h>

#define ZONENGAV_API __stdcall

extern "C" {

typedef void* ZONENGAV_ENGINE;
typedef void* ZONENGAV_OBJECT;
typedef uintptr_t ZONENGAV_VALUE;

// Returned by the development stand-in for every call: the cloud service cannot be reached.
const int ZONENGAV_E_UNAVAILABLE = 1;

int ZONENGAV_API ZONENGAV_CreateEngine(ZONENGAV_ENGINE* engine);
int ZONENGAV_API ZONENGAV_SetPropertyEngine(ZONENGAV_ENGINE engine, uint32_t id, ZONENGAV_VALUE value);
int ZONENGAV_API ZONENGAV_InitializeEngine(ZONENGAV_ENGINE engine);
int ZONENGAV_API ZONENGAV_CreateObject(ZONENGAV_OBJECT* object);
int ZONENGAV_API ZONENGAV_SetPropertyObject(ZONENGAV_OBJECT object, uint32_t id, ZONENGAV_VALUE value);
int ZONENGAV_API ZONENGAV_Analyze(ZONENGAV_ENGINE engine, ZONENGAV_OBJECT object);
int ZONENGAV_API ZONENGAV_Flush(ZONENGAV_ENGINE engine);
int ZONENGAV_API ZONENGAV_GetPropertyObject(ZONENGAV_OBJECT object, uint32_t id, ZONENGAV_VALUE* value);
int ZONENGAV_API ZONENGAV_ReleaseEngine(ZONENGAV_ENGINE engine);
}
