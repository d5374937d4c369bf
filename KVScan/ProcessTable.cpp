#include "ProcessTable.h"

#include "AdapterState.h"
#include "AuditState.h"
#include "ExitProgram.h"
#include "FileHelpers.h"
#include "Globals.h"
#include "KVEReport.h"
#include "KVLog.h"
#include "ScanProcessThread.h"
#include "ScopeLogger.h"
#include "TextHelpers.h"

#include <process.h>
#include <wchar.h>

#include <atomic>
#include <cstdint>
#include <vector>

namespace {

const DWORD kDefaultTimeoutSeconds = 10800;
// The largest finite time-out: one millisecond below INFINITE, in whole seconds.
const DWORD kMaxTimeoutSeconds = (INFINITE - 1) / 1000;
// How long a terminated program is given to be gone.
const DWORD kTerminateWaitMs = 10000;

struct ProcessTable {
    CRITICAL_SECTION lock;
    int running = 0;
    std::atomic<void*> context{nullptr};
    ProcessTable() { InitializeCriticalSection(&lock); }
};

// Never destroyed: program threads may still run while the process ends through exit().
ProcessTable& Table()
{
    static ProcessTable* table = new ProcessTable;
    return *table;
}

class Locked {
public:
    Locked() { EnterCriticalSection(&Table().lock); }
    ~Locked() { LeaveCriticalSection(&Table().lock); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;
};

// 3501 for an exit code above 6; 6 asks for a restart, which counts in disinfection runs only.
void CheckExitCode(DWORD code, const std::string& what)
{
    if (IsUnknownExitCode(code)) {
        ReportProgramError(3501, static_cast<int>(code), what);
        KVSCAN_LOG("Unknown exit code [%d] executing process %s", static_cast<int>(code), what.c_str());
    } else if (code == 6 && g_config.disinfection) {
        KVSCAN_LOG("Process %s needs a restart to complete the disinfection", what.c_str());
        Audit().restartNeeded = true;
    }
}

// The scanner's own entry: the analysis runs in a thread of this process.
void RunOwnEntry(int index, const ProcessEntry& entry, DWORD timeoutMs, void* context)
{
    std::string command = ToNarrow(entry.command);
    HANDLE scan = StartScanProcessThread(context, timeoutMs);
    if (!scan) {
        KVSCAN_LOG("Error creating thread to run the analysis (%lu)", GetLastError());
        if (!entry.wait)
            LaunchProgram(index + 1, context);
        return;
    }
    if (!entry.wait)
        LaunchProgram(index + 1, context);
    if (WaitForSingleObject(scan, timeoutMs) == WAIT_TIMEOUT) {
        ReportProgramError(3502, 0, command);
        KVSCAN_LOG("Timeout executing process %s", command.c_str());
        // The analysis holds the engine, the quarantine manager and its documents: ask it to stop and
        // let it end by itself rather than kill it halfway.
        InterlockedExchange(&Adapter().stopRequested, 1);
        DWORD grace = g_scanProcess.stopGraceMs;
        if (WaitForSingleObject(scan, grace) == WAIT_OBJECT_0)
            KVSCAN_LOG("The analysis stopped after the time-out");
        else
            KVSCAN_LOG("The analysis did not stop within %lu ms of the time-out; left to end by itself", grace);
    } else {
        DWORD code = 0;
        GetExitCodeThread(scan, &code);
        CheckExitCode(code, command);
    }
    CloseHandle(scan);
}

// Any other entry: a process of its own.
void RunProcessEntry(int index, const ProcessEntry& entry, DWORD timeoutMs, void* context)
{
    std::wstring path = MakeAbsolute(entry.command, ToWide(g_config.programFolder));
    std::wstring line = L"\"" + path + L"\"";
    if (!entry.params.empty())
        line += L" " + entry.params;
    std::string commandLine = ToNarrow(line);
    std::vector<char> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back('\0');

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_FORCEOFFFEEDBACK;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, CREATE_NEW_PROCESS_GROUP, nullptr,
                        nullptr, &startup, &info)) {
        KVSCAN_LOG("Error creating process %s (%lu)", commandLine.c_str(), GetLastError());
        // The chain goes on: with Wait true the caller starts the next entry, here the others.
        if (!entry.wait)
            LaunchProgram(index + 1, context);
        return;
    }
    if (!entry.wait)
        LaunchProgram(index + 1, context);
    if (WaitForSingleObject(info.hProcess, timeoutMs) == WAIT_TIMEOUT) {
        ReportProgramError(3502, 0, commandLine);
        KVSCAN_LOG("Timeout executing process %s", commandLine.c_str());
        TerminateProcess(info.hProcess, 0);
        WaitForSingleObject(info.hProcess, kTerminateWaitMs);
    } else {
        DWORD code = 0;
        GetExitCodeProcess(info.hProcess, &code);
        CheckExitCode(code, commandLine);
    }
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
}

} // namespace

void ReportProgramError(int code, int detail, const std::string& extraText)
{
    const char* message = code == 3502 ? "Timeout executing process" : "Unknown exit code executing process";
    KV_GenerateErrorReport(g_config.instanceId.c_str(), g_config.logModule.c_str(), code, message, detail,
                           extraText.c_str(), 0, g_config.reportsPathA.c_str(), g_config.configWasEncrypted ? 1 : 0);
}

DWORD ProgramTimeoutMs(const std::wstring& text)
{
    std::wstring value = text;
    Trim(value);
    if (_wcsicmp(value.c_str(), L"INFINITE") == 0)
        return INFINITE;
    if (value.empty() || value.find_first_not_of(L"0123456789") != std::wstring::npos) {
        KVSCAN_LOG("TimeOut [%S] is not a number of seconds; %lu seconds are used", value.c_str(),
                   kDefaultTimeoutSeconds);
        return kDefaultTimeoutSeconds * 1000;
    }
    uint64_t seconds = 0;
    for (wchar_t c : value) {
        seconds = seconds * 10 + static_cast<uint64_t>(c - L'0');
        if (seconds > kMaxTimeoutSeconds) {
            KVSCAN_LOG("TimeOut [%S] is too long; %lu seconds are used", value.c_str(), kMaxTimeoutSeconds);
            return kMaxTimeoutSeconds * 1000;
        }
    }
    return static_cast<DWORD>(seconds) * 1000;
}

void LaunchProgram(int index, void* context)
{
    ProcessTable& table = Table();
    table.context = context;
    if (index < 0 || static_cast<size_t>(index) >= g_config.processes.size())
        return;
    Locked locked;
    uintptr_t thread = _beginthreadex(nullptr, 0, ExecuteThread, reinterpret_cast<void*>(static_cast<intptr_t>(index)),
                                      0, nullptr);
    if (!thread) {
        KVSCAN_LOG("Error creating thread to launch program");
        return;
    }
    g_config.processes[index].thread = reinterpret_cast<HANDLE>(thread);
    ++table.running;
}

int RunningPrograms()
{
    Locked locked;
    return Table().running;
}

void ProgramThreadFinished(int index)
{
    Locked locked;
    ProcessEntry& entry = g_config.processes[index];
    if (entry.thread) {
        CloseHandle(entry.thread);
        entry.thread = nullptr;
    }
    --Table().running;
}

unsigned __stdcall ExecuteThread(void* arg)
{
    int index = static_cast<int>(reinterpret_cast<intptr_t>(arg));
    try {
        KV_SCOPE(g_config.logModule.c_str(), "ExecuteThread()");
        const ProcessEntry& entry = g_config.processes[index];
        void* context = Table().context;
        if (!entry.command.empty()) {
            DWORD timeoutMs = ProgramTimeoutMs(entry.timeOut);
            KVSCAN_LOG("Program %d: %S %S (TimeOut %S, Wait %d)", index, entry.command.c_str(),
                       entry.params.c_str(), entry.timeOut.c_str(), entry.wait ? 1 : 0);
            if (_wcsicmp(entry.command.c_str(), L"KVScan.exe") == 0)
                RunOwnEntry(index, entry, timeoutMs, context);
            else
                RunProcessEntry(index, entry, timeoutMs, context);
            if (entry.wait)
                LaunchProgram(index + 1, context);
        }
        ProgramThreadFinished(index);
    } catch (...) {
        KVSCAN_LOG("Caught exception in ExecuteThread");
        ExitProgram(EXIT_GENERAL_FAILURE);
    }
    return 0;
}
