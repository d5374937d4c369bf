// The launcher's run: requirements, single instance, work folder, payload, archives, the start
// configuration and the start of the scanner. Each outcome is an exit code.
#pragma once

#include <string>

enum LauncherExit {
    LAUNCH_OK = 0,
    LAUNCH_REQUIREMENTS = 5,
    LAUNCH_ALREADY_RUNNING = 7000, // or the work folder could not be made
    LAUNCH_UNPACK_FAILED = 7003,
    LAUNCH_START_FAILED = 7004,
    LAUNCH_NO_CRYPTO = 7005,
    LAUNCH_CRYPTO_FUNCTION = 7006,
};

struct LauncherOptions {
    bool alerts = false;
    bool unpackOnly = false;
    std::wstring unpackFolder;
};

// "/alerts" (exact) and "/unpack:" followed by a folder (the last one wins); the first token is
// the program.
LauncherOptions ParseLauncherOptions(const wchar_t* commandLine);

// False for a folder the launcher must not unpack into: empty, a drive root, a system folder.
bool AcceptableUnpackFolder(const std::wstring& folder);

// The whole run for the executable exePath; returns the exit code.
int RunLauncher(const std::wstring& exePath, const LauncherOptions& options);
