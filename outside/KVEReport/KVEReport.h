// The maker's error report component.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

// Writes one error report into reportsFolder (encrypted through KVCripto when encrypt is non-zero).
// The result carries no meaning for the caller.
int __cdecl KV_GenerateErrorReport(const char* instanceId, const char* module, int code, const char* message,
                                   int detail, const char* extraText, int flag, const char* reportsFolder,
                                   int encrypt);

typedef int(__cdecl* KV_GenerateErrorReport_t)(const char*, const char*, int, const char*, int, const char*, int,
                                               const char*, int);

#ifdef __cplusplus
}
#endif
