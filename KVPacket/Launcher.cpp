#include "Launcher.h"

#include "CommandLine.h"
#include "FileHelpers.h"
#include "InstanceMutex.h"
#include "PacketAlerts.h"
#include "PacketLog.h"
#include "Payload.h"
#include "Requirements.h"
#include "RunFiles.h"
#include "StartConfig.h"
#include "Unpack.h"

#include <windows.h>

#include <io.h>

#include <vector>

namespace {

std::wstring WorkFolder(const LauncherOptions& options)
{
    if (options.unpackOnly) {
        wchar_t full[MAX_PATH * 2];
        DWORD got = GetFullPathNameW(options.unpackFolder.c_str(), MAX_PATH * 2, full, nullptr);
        return got > 0 && got < MAX_PATH * 2 ? std::wstring(full) : options.unpackFolder;
    }
    wchar_t temp[MAX_PATH + 1];
    DWORD got = GetTempPathW(MAX_PATH + 1, temp);
    if (got > 0 && got <= MAX_PATH)
        return std::wstring(temp) + L"KVScan";
    GetWindowsDirectoryW(temp, MAX_PATH);
    return std::wstring(temp) + L"\\temp\\KVScan";
}

// A failed run leaves the folder (so that it can be removed) and takes back what it wrote.
void CleanUp(const std::wstring& folder, RunFiles& written)
{
    PacketLog("Removing the files of this run from %S", folder.c_str());
    std::wstring parent = RunFiles::Parent(folder);
    SetCurrentDirectoryW(parent.size() == 2 ? (parent + L"\\").c_str() : parent.c_str());
    ReleasePacketLog();
    written.RemoveAll();
}

int StartProgram(const std::wstring& program, const LauncherOptions& options)
{
    PacketLog("Creating process %S", program.c_str());
    std::wstring commandLine = L"\"" + program + L"\"";
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(0);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        DWORD error = GetLastError();
        if (options.alerts)
            Alert(L"An error occurred running the file: " + program + L"\nWindows error: " + std::to_wstring(error));
        PacketLog("An error occurred running the file: %S. Windows error: %d", program.c_str(), int(error));
        return LAUNCH_START_FAILED;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    PacketLog("Process %S created.", program.c_str());
    return LAUNCH_OK;
}

} // namespace

LauncherOptions ParseLauncherOptions(const wchar_t* commandLine)
{
    std::vector<wchar_t> line(commandLine, commandLine + wcslen(commandLine) + 1);
    wchar_t* tokens[MAX_COMMAND_TOKENS];
    int count = TokenizeCommandLine(line.data(), tokens, MAX_COMMAND_TOKENS);
    LauncherOptions options;
    for (int i = 1; i < count; ++i) {
        if (wcscmp(tokens[i], L"/alerts") == 0) {
            options.alerts = true;
        } else if (wcsncmp(tokens[i], L"/unpack:", 8) == 0) {
            options.unpackOnly = true;
            options.unpackFolder = tokens[i] + 8;
        }
    }
    return options;
}

bool AcceptableUnpackFolder(const std::wstring& folder)
{
    std::wstring trimmed = folder;
    while (!trimmed.empty() && (trimmed.back() == L'\\' || trimmed.back() == L'/'))
        trimmed.pop_back();
    if (trimmed.empty() || (trimmed.size() == 2 && trimmed[1] == L':'))
        return false;
    return !IsSystemFolder(trimmed);
}

int RunLauncher(const std::wstring& exePath, const LauncherOptions& options)
{
    std::wstring folder = WorkFolder(options);
    if (options.unpackOnly && (!AcceptableUnpackFolder(options.unpackFolder) || !AcceptableUnpackFolder(folder)))
        return LAUNCH_ALREADY_RUNNING; // as given and as a full path ("C:\x\..", ".")

    RequirementFacts facts;
    MeasureAll(kSystemProbes, folder, facts);
    RequirementFlags flags = EvaluateRequirements(facts, false);
    if (flags.Any()) {
        if (options.alerts)
            ShowPacketRequirements(facts, flags);
        return LAUNCH_REQUIREMENTS;
    }

    HANDLE mutex = TakeInstanceMutex();
    if (!mutex) {
        if (options.alerts)
            ShowAlreadyRunning();
        return LAUNCH_ALREADY_RUNNING;
    }

    RunFiles written;
    if (!written.CreateFolders(folder) || _waccess(folder.c_str(), 6) != 0) {
        if (options.alerts)
            Alert(L"Temporary folder " + folder + L" can not be created");
        ReleaseInstanceMutex(mutex);
        return LAUNCH_ALREADY_RUNNING;
    }

    ExtractReport report;
    bool extracted = ExtractPayload(exePath, folder, written, &report);
    bool unpacked = extracted && UnpackArchives(folder, written, options.alerts ? Alert : nullptr);
    BindPacketLog(folder); // KVLog.dll comes out of the archives
    PacketLog("Payload into %S: %d entries, %d failed; archives %s", folder.c_str(), report.entries, report.failed,
              unpacked ? "unpacked" : "not unpacked");
    if (!unpacked) {
        CleanUp(folder, written);
        ReleaseInstanceMutex(mutex);
        return LAUNCH_UNPACK_FAILED;
    }
    if (options.unpackOnly) {
        ReleaseInstanceMutex(mutex);
        return LAUNCH_OK;
    }

    std::wstring mainProcess;
    std::string missing;
    int config = ReadStartConfig(folder, mainProcess, &missing);
    if (config != START_CONFIG_OK) {
        ReleaseInstanceMutex(mutex);
        if (config == START_CONFIG_NO_CRYPTO) {
            PacketLog("An error occurred loading the file: %s", "KVCripto.dll");
            if (options.alerts)
                Alert(L"An error occurred loading the file: KVCripto.dll");
            return LAUNCH_NO_CRYPTO;
        }
        PacketLog("An error occurred getting pointer to: %s in %s", missing.c_str(), "KVCripto.dll");
        if (options.alerts)
            Alert(L"An error occurred getting pointer to: " + std::wstring(missing.begin(), missing.end()) +
                  L" in KVCripto.dll");
        return LAUNCH_CRYPTO_FUNCTION;
    }
    std::wstring program = ProgramToStart(folder, mainProcess);
    ReleaseInstanceMutex(mutex);
    return StartProgram(program, options);
}
