// The launcher's reading of the unpacked configuration: only "MainProcess" of "KVSCAN_MAINCONFIG",
// through the reduced INI reader and KVCripto.dll of the work folder.
#pragma once

#include <string>

enum StartConfigResult {
    START_CONFIG_OK = 0,
    START_CONFIG_NO_CRYPTO = 1,       // KVCripto.dll cannot be loaded
    START_CONFIG_CRYPTO_FUNCTION = 2, // one of its functions is missing (*missing names it)
};

// Any other failure leaves mainProcess empty and still returns START_CONFIG_OK.
int ReadStartConfig(const std::wstring& folder, std::wstring& mainProcess, std::string* missing);

// The program to start: folder\mainProcess when it is a plain relative name of an existing file,
// else folder\KVScan.exe.
std::wstring ProgramToStart(const std::wstring& folder, const std::wstring& mainProcess);
