// The exports of zokas.dll that no caller uses: they must exist for the binding, and each one answers
// ZOKAS_ERROR_NOT_SUPPORTED (cdecl: the caller removes its own arguments, so any argument list is safe).

#include "zokas.h"

#include "StandInFiles.h"

#include <windows.h>

namespace {

int Unsupported(const char* name)
{
    standin::Journal("zokas", std::string(name) + " -> " + std::to_string(ZOKAS_ERROR_NOT_SUPPORTED) +
                                  " (not supported)");
    SetLastError(ZOKAS_ERROR_NOT_SUPPORTED);
    return ZOKAS_ERROR_NOT_SUPPORTED;
}

} // namespace

#define ZOKAS_UNSUPPORTED(name) \
    extern "C" int __cdecl name(void) { return Unsupported(#name); }

ZOKAS_UNSUPPORTED(AS_SetConfigString)
ZOKAS_UNSUPPORTED(AS_GetConfigString)
ZOKAS_UNSUPPORTED(AS_VFOpen)
ZOKAS_UNSUPPORTED(AS_VFClose)
ZOKAS_UNSUPPORTED(AS_VFCopy)
ZOKAS_UNSUPPORTED(AS_VFMove)
ZOKAS_UNSUPPORTED(AS_VFDelete)
ZOKAS_UNSUPPORTED(AS_VFRename)
ZOKAS_UNSUPPORTED(AS_VFFilelength)
ZOKAS_UNSUPPORTED(AS_VFSeek)
ZOKAS_UNSUPPORTED(AS_VFTell)
ZOKAS_UNSUPPORTED(AS_VFRead)
ZOKAS_UNSUPPORTED(AS_VFWrite)
ZOKAS_UNSUPPORTED(AS_VFChSize)
ZOKAS_UNSUPPORTED(AS_VFSetInfoInt)
ZOKAS_UNSUPPORTED(AS_VFGetInfoInt)
ZOKAS_UNSUPPORTED(AS_VFSetInfoString)
ZOKAS_UNSUPPORTED(AS_VFGetInfoString)
ZOKAS_UNSUPPORTED(AS_VFGetLastError)
ZOKAS_UNSUPPORTED(AS_UpdateSystem)
ZOKAS_UNSUPPORTED(AS_Utility)
ZOKAS_UNSUPPORTED(AS_VFSetConfigInt)
#ifndef ZOKAS_WITHOUT_STRIP
ZOKAS_UNSUPPORTED(AS_VFStripConfidentialInformation)
#endif

ZOKAS_UNSUPPORTED(MDFS_SetInfoInt)
ZOKAS_UNSUPPORTED(MDFS_SetInfoString)
ZOKAS_UNSUPPORTED(MDFS_SetConfigInt)
ZOKAS_UNSUPPORTED(MDFS_SetConfigString)

ZOKAS_UNSUPPORTED(FSS_FindFirstDir)
ZOKAS_UNSUPPORTED(FSS_FindNextDir)
ZOKAS_UNSUPPORTED(FSS_FindCloseDir)
ZOKAS_UNSUPPORTED(FSS_FindFirstPacked)
ZOKAS_UNSUPPORTED(FSS_FindNextPacked)
ZOKAS_UNSUPPORTED(FSS_FindClosePacked)
ZOKAS_UNSUPPORTED(FSS_FindFirstHTML)
ZOKAS_UNSUPPORTED(FSS_FindNextHTML)
ZOKAS_UNSUPPORTED(FSS_FindCloseHTML)
ZOKAS_UNSUPPORTED(FSS_FindFirstMIME)
ZOKAS_UNSUPPORTED(FSS_FindNextMIME)
ZOKAS_UNSUPPORTED(FSS_FindCloseMIME)
ZOKAS_UNSUPPORTED(FSS_MIMEReplace)
ZOKAS_UNSUPPORTED(FSS_MIMEContentReplace)
ZOKAS_UNSUPPORTED(FSS_MIMERead)
ZOKAS_UNSUPPORTED(FSS_SetConfigInt)
ZOKAS_UNSUPPORTED(FSS_SetConfigString)
ZOKAS_UNSUPPORTED(FSS_GetLastError)
ZOKAS_UNSUPPORTED(FSS_MIMEInsertAlert)
ZOKAS_UNSUPPORTED(FSS_MIMEInsertAlertEx)
