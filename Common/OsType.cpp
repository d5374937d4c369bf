#include "OsType.h"

#include "TextHelpers.h"

namespace {

const char* const kOsNames[] = {
    "Windows 95",   "Windows 98",          "Windows Me",              "Windows NT 4.0",
    "Windows NT 4.0 Server", "Windows 2000", "Windows 2000 Server", "Windows XP Professional",
    "Windows XP Home Edition", "Windows Server 2003", "Windows Vista", "Windows 7",
};

const WORD kPersonalSuite = 0x0200;

std::string ReadProductOptions()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\ProductOptions", 0, KEY_QUERY_VALUE,
                      &key) != ERROR_SUCCESS)
        return std::string();
    char data[80] = {};
    DWORD size = sizeof(data) - 1;
    DWORD kind = 0;
    LONG rc = RegQueryValueExA(key, "ProductType", nullptr, &kind, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS ? std::string(data) : std::string();
}

int Nt4Type(const OsVersionFacts& facts)
{
    if (facts.extendedOk)
        return facts.productType == VER_NT_WORKSTATION ? OS_NT4 : OS_NT4_SERVER;
    std::string product = facts.readProductType ? facts.readProductType() : std::string();
    if (lstrcmpiA(product.c_str(), "SERVERNT") == 0 || lstrcmpiA(product.c_str(), "LANMANNT") == 0)
        return OS_NT4_SERVER;
    return OS_NT4; // "WINNT" and anything else
}

int XpType(const OsVersionFacts& facts)
{
    return facts.extendedOk && (facts.suiteMask & kPersonalSuite) ? OS_XP_HOME : OS_XP_PROFESSIONAL;
}

int NtType(const OsVersionFacts& facts)
{
    bool workstation = facts.productType == VER_NT_WORKSTATION;
    switch (facts.major) {
    case 4:
        return Nt4Type(facts);
    case 5:
        if (facts.minor == 0)
            return facts.extendedOk && !workstation ? OS_WIN2000_SERVER : OS_WIN2000;
        if (facts.minor == 1)
            return XpType(facts);
        if (facts.minor == 2)
            return facts.extendedOk && workstation ? XpType(facts) : OS_SERVER_2003;
        return OS_TYPE_UNKNOWN;
    case 6:
        return facts.minor == 1 ? OS_WIN7 : OS_VISTA;
    default:
        return OS_TYPE_UNKNOWN;
    }
}

int NineXType(const OsVersionFacts& facts, std::string& servicePack)
{
    if (facts.minor == 0) {
        if (servicePack == "A")
            servicePack = "OEM Service Release 1 (A)";
        else if (servicePack == "B")
            servicePack = "OSR2 (B)";
        else if (servicePack == "C")
            servicePack = "OSR2 (C)";
        return OS_WIN95;
    }
    if (facts.minor == 10) {
        if (servicePack == "A")
            servicePack = "Second edition";
        return OS_WIN98;
    }
    return facts.minor == 90 ? static_cast<int>(OS_WINME) : static_cast<int>(OS_TYPE_UNKNOWN);
}

} // namespace

bool OsTypeFromFacts(const OsVersionFacts& facts, int& type, std::string& servicePack)
{
    type = OS_TYPE_UNKNOWN;
    servicePack.clear();
    if (!facts.basicOk)
        return false;
    servicePack = facts.csd;
    Trim(servicePack);
    if (facts.platformId == VER_PLATFORM_WIN32_WINDOWS)
        type = NineXType(facts, servicePack);
    else if (facts.platformId == VER_PLATFORM_WIN32_NT)
        type = NtType(facts);
    return true;
}

bool DetectOsType(int& type, std::string& servicePack)
{
    OsVersionFacts facts;
    OSVERSIONINFOA basic = {};
    basic.dwOSVersionInfoSize = sizeof(basic);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    facts.basicOk = GetVersionExA(&basic) != FALSE;
    OSVERSIONINFOEXA extended = {};
    extended.dwOSVersionInfoSize = sizeof(extended);
    facts.extendedOk = GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&extended)) != FALSE;
#pragma GCC diagnostic pop
    facts.platformId = basic.dwPlatformId;
    facts.major = basic.dwMajorVersion;
    facts.minor = basic.dwMinorVersion;
    facts.csd = basic.szCSDVersion;
    facts.productType = extended.wProductType;
    facts.suiteMask = extended.wSuiteMask;
    facts.readProductType = ReadProductOptions;
    return OsTypeFromFacts(facts, type, servicePack);
}

const char* OsTypeName(int type)
{
    return type >= 0 && type <= OS_WIN7 ? kOsNames[type] : nullptr;
}
