// Stand-in for the maker's quarantine element manager: starts and ends managers.
//
// A manager is a quarantine store in the folder of its start block. Starting one checks the block
// (version 1, mode 2, every text present and within its length), creates the folder and registers the
// manager's identifier in "QemClients.ini" beside the DLL ([Clients] <id>=<folder>), where the engine
// stand-in finds the folder for the elements it quarantines. Ending it removes the registration.
//
// Fault injection: "zosqem.faults" beside the DLL, [Fail] <export>=<code>: the call fails with that code
// and does nothing else. Journal: "zosqem.journal" beside the DLL, one line per call:
//   <process id> <export> <arguments> -> <result>

#include "StandInKit.h"
#include "zosqem.h"

#include <windows.h>

#include <cstring>
#include <mutex>
#include <set>
#include <string>

namespace {

HMODULE g_module = nullptr;
std::mutex g_lock;
std::set<QEM_MANAGER> g_managers;
QEM_MANAGER g_nextManager = 0;

const int kInvalidParameter = 87;
const int kInvalidHandle = 6;

std::string BesideDll(const char* name)
{
    return standin_kit::FileBeside(g_module, name);
}

void Journal(const std::string& line)
{
    standin_kit::AppendJournalLine(BesideDll("zosqem.journal"), std::to_string(GetCurrentProcessId()) + " " + line);
}

int InjectedFault(const char* exportName)
{
    return static_cast<int>(GetPrivateProfileIntA("Fail", exportName, 0, BesideDll("zosqem.faults").c_str()));
}

bool TextFits(const char* text, size_t limit, bool mayBeEmpty = true)
{
    if (!text)
        return false;
    size_t length = strnlen(text, limit + 1);
    return length <= limit && (mayBeEmpty || length > 0);
}

std::string Quoted(const char* text)
{
    if (!text)
        return "null";
    std::string quoted(1, '"');
    quoted.append(text).push_back('"');
    return quoted;
}

std::string Describe(const QEM_START_BLOCK* block)
{
    if (!block)
        return "block=null";
    return "version=" + std::to_string(block->version) + " client=" + Quoted(block->clientId) +
           " appRef=" + Quoted(block->appRefVersion) + " product=" + Quoted(block->productName) +
           " clientVersion=" + Quoted(block->clientVersion) + " mode=" + std::to_string(block->mode) +
           " user=" + Quoted(block->userName) + " folder=" + Quoted(block->folder);
}

bool BlockValid(const QEM_START_BLOCK* block)
{
    return block && block->version == 1 && block->mode == 2 && TextFits(block->clientId, 32, false) &&
           TextFits(block->appRefVersion, 32) && TextFits(block->productName, 20, false) &&
           TextFits(block->clientVersion, 11) && TextFits(block->userName, 32) && TextFits(block->folder, 260, false);
}

bool MakeFolder(const char* folder)
{
    CreateDirectoryA(folder, nullptr);
    DWORD attributes = GetFileAttributesA(folder);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

int Initialize(const QEM_START_BLOCK* block, QEM_MANAGER* manager)
{
    if (int fault = InjectedFault("QEM_InitializeQuarantineManager"))
        return fault;
    if (!manager || !BlockValid(block))
        return kInvalidParameter;
    if (!MakeFolder(block->folder))
        return static_cast<int>(GetLastError() ? GetLastError() : ERROR_PATH_NOT_FOUND);
    std::lock_guard<std::mutex> hold(g_lock);
    if (g_nextManager == 0)
        g_nextManager = static_cast<QEM_MANAGER>(GetCurrentProcessId()) * 1000 + 1;
    QEM_MANAGER id = g_nextManager++;
    if (!WritePrivateProfileStringA("Clients", std::to_string(id).c_str(), block->folder,
                                    BesideDll("QemClients.ini").c_str()))
        return static_cast<int>(GetLastError());
    g_managers.insert(id);
    *manager = id;
    return 0;
}

int Finalize(QEM_MANAGER* manager)
{
    if (int fault = InjectedFault("QEM_FinalizeQuarantineManager"))
        return fault;
    if (!manager)
        return kInvalidParameter;
    std::lock_guard<std::mutex> hold(g_lock);
    if (!g_managers.erase(*manager))
        return kInvalidHandle;
    WritePrivateProfileStringA("Clients", std::to_string(*manager).c_str(), nullptr,
                               BesideDll("QemClients.ini").c_str());
    *manager = 0;
    return 0;
}

} // namespace

extern "C" int QEM_API QEM_InitializeQuarantineManager(const QEM_START_BLOCK* block, QEM_MANAGER* manager)
{
    int result = Initialize(block, manager);
    std::string line = "QEM_InitializeQuarantineManager " + Describe(block) + " -> " + std::to_string(result);
    if (result == 0)
        line += " manager=" + std::to_string(*manager);
    Journal(line);
    return result;
}

extern "C" int QEM_API QEM_FinalizeQuarantineManager(QEM_MANAGER* manager)
{
    std::string id = manager ? std::to_string(*manager) : "null";
    int result = Finalize(manager);
    Journal("QEM_FinalizeQuarantineManager manager=" + id + " -> " + std::to_string(result));
    return result;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        g_module = instance;
    return TRUE;
}
