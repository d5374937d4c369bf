// The maker's log component: one call per log line.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

// module: the program's log module name; sourceFile/line: the caller's position;
// format: printf format ("%S" takes a wide text). The result carries no meaning.
int __cdecl KV_GenerateLog(const char* module, const char* sourceFile, int line, const char* format, ...);

typedef int(__cdecl* KV_GenerateLog_t)(const char*, const char*, int, const char*, ...);

#ifdef __cplusplus
}
#endif
