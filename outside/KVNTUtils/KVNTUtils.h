// The maker's NT utility library: the user logged on to the console.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

// Calling convention: stdcall, exported undecorated as "GetLoggedUser".
// buffer: at least KVNTUTILS_USER_BUFFER bytes, zeroed by the caller. Non-zero when the buffer now
// holds the ANSI name of the user logged on to the console.
enum { KVNTUTILS_USER_BUFFER = 4096 };

int __stdcall GetLoggedUser(char* buffer);

typedef int(__stdcall* GetLoggedUser_t)(char* buffer);

#ifdef __cplusplus
}
#endif
