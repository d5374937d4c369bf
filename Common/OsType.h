// The OS type code of the client programs (0..11, 999999999 unknown) and its detection.
#pragma once

#include <windows.h>

#include <string>

enum { OS_TYPE_UNKNOWN = 999999999 };

enum OsTypeCode {
    OS_WIN95 = 0,
    OS_WIN98 = 1,
    OS_WINME = 2,
    OS_NT4 = 3,
    OS_NT4_SERVER = 4,
    OS_WIN2000 = 5,
    OS_WIN2000_SERVER = 6,
    OS_XP_PROFESSIONAL = 7,
    OS_XP_HOME = 8,
    OS_SERVER_2003 = 9,
    OS_VISTA = 10,
    OS_WIN7 = 11,
};

// What the version queries said. basicOk false: the version could not be read at all.
struct OsVersionFacts {
    bool basicOk = false;
    DWORD platformId = 0; // VER_PLATFORM_WIN32_WINDOWS or VER_PLATFORM_WIN32_NT
    DWORD major = 0;
    DWORD minor = 0;
    std::string csd; // the service-pack text as reported
    bool extendedOk = false;
    BYTE productType = 0; // VER_NT_WORKSTATION, ... (extended query only)
    WORD suiteMask = 0;   // extended query only
    // "ProductType" of the product options key; asked for only on NT 4 without the extended query.
    std::string (*readProductType)() = nullptr;
};

// The type and service-pack text for the given facts; false when basicOk is false.
bool OsTypeFromFacts(const OsVersionFacts& facts, int& type, std::string& servicePack);

// Queries the running system.
bool DetectOsType(int& type, std::string& servicePack);

// "Windows 95" ... "Windows 7"; null outside 0..11.
const char* OsTypeName(int type);

inline bool IsNtFamilyType(int type) { return type != OS_WIN95 && type != OS_WIN98 && type != OS_WINME; }
