// MD5 (RFC 1321) and the folder hash that names an installation.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>

struct Md5Context {
    uint32_t state[4];
    uint64_t length; // bytes so far
    uint8_t block[64];
};

void Md5Init(Md5Context& context);
void Md5Update(Md5Context& context, const void* data, size_t size);
void Md5Final(Md5Context& context, uint8_t digest[16]);
void Md5(const void* data, size_t size, uint8_t digest[16]);

// 32 hex characters: the path (at most 259 characters, one trailing backslash dropped, upper-cased in
// the ANSI code page) hashed with MD5, each digest byte written low nibble first ("0x1F" -> "f1").
std::string PathHash(const char* path);
// PathHash of the short 8.3 form of the path when the system gives one, else of the path as it is.
std::string ShortPathHash(const char* path);
// ShortPathHash of the folder of the running executable: the installation identifier.
std::string ProgramFolderHash();
