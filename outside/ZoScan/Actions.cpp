// Actions on infected files (see Actions.h).

#include "Actions.h"

#include "StandInFiles.h"
#include "Targets.h"

#include <windows.h>

#include <algorithm>

namespace {

bool InUse(DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_ACCESS_DENIED;
}

ActionOutcome Failed(DWORD error)
{
    ActionOutcome outcome;
    outcome.error = static_cast<int32_t>(error);
    return outcome;
}

ActionOutcome Done(uint32_t state, uint32_t rebootPending = 0)
{
    ActionOutcome outcome;
    outcome.state = state;
    outcome.rebootPending = rebootPending;
    return outcome;
}

// Writes `bytes` over the file; when it is in use, writes them beside it and replaces it at the restart.
ActionOutcome Rewrite(const std::wstring& path, const std::vector<uint8_t>& bytes, uint32_t state)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        bool good = bytes.empty() || (WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                                                nullptr) && written == bytes.size());
        DWORD error = GetLastError();
        CloseHandle(file);
        return good ? Done(state) : Failed(error);
    }
    DWORD error = GetLastError();
    if (!InUse(error))
        return Failed(error);
    std::wstring replacement = path + L".qelnew";
    HANDLE side = CreateFileW(replacement.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (side == INVALID_HANDLE_VALUE)
        return Failed(GetLastError());
    DWORD written = 0;
    bool good = bytes.empty() || WriteFile(side, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(side);
    if (good && MoveFileExW(replacement.c_str(), path.c_str(), MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING))
        return Done(state, 1);
    error = GetLastError();
    DeleteFileW(replacement.c_str());
    return Failed(error);
}

ActionOutcome Disinfect(const Infection& infection)
{
    const qelsig::Signature& s = *infection.signature;
    if (s.kind != qelsig::kKindPattern)
        return Failed(ERROR_NOT_SUPPORTED); // a whole-file signature leaves nothing to keep
    std::vector<uint8_t> clean = *infection.content;
    for (auto at = std::search(clean.begin(), clean.end(), s.data.begin(), s.data.end()); at != clean.end();
         at = std::search(clean.begin(), clean.end(), s.data.begin(), s.data.end()))
        at = clean.erase(at, at + static_cast<std::ptrdiff_t>(s.data.size()));
    return Rewrite(infection.path, clean, ZOSCAN_STATE_DISINFECTED);
}

ActionOutcome Erase(const std::wstring& path, uint32_t state)
{
    if (DeleteFileW(path.c_str()))
        return Done(state);
    DWORD error = GetLastError();
    if (InUse(error) && MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT))
        return Done(state, 1);
    return Failed(error);
}

ActionOutcome Rename(const std::wstring& path)
{
    std::wstring target = path + L".vir";
    if (MoveFileExW(path.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING))
        return Done(ZOSCAN_STATE_RENAMED);
    DWORD error = GetLastError();
    if (InUse(error) &&
        MoveFileExW(path.c_str(), target.c_str(), MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING))
        return Done(ZOSCAN_STATE_RENAMED, 1);
    return Failed(error);
}

bool WriteAll(const std::string& path, const std::vector<uint8_t>& bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool good = bytes.empty() || (WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                                  written == bytes.size());
    CloseHandle(file);
    return good;
}

ActionOutcome CopyToQuarantine(const Infection& infection, const AnalysisSettings& settings)
{
    std::string folder = QuarantineFolder(settings);
    CreateDirectoryA(folder.c_str(), nullptr);
    std::string base = folder + "\\" + infection.md5Text;
    if (!WriteAll(base + ".qel", *infection.content))
        return Failed(GetLastError());
    std::string ini = base + ".ini";
    SYSTEMTIME now;
    GetSystemTime(&now);
    char stamp[32];
    wsprintfA(stamp, "%04u-%02u-%02uT%02u:%02u:%02uZ", now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
              now.wSecond);
    const qelsig::Signature& s = *infection.signature;
    WritePrivateProfileStringA("Element", "Path", Narrow(infection.path, CP_UTF8).c_str(), ini.c_str());
    WritePrivateProfileStringA("Element", "Malware", s.name.c_str(), ini.c_str());
    WritePrivateProfileStringA("Element", "Number", std::to_string(s.number).c_str(), ini.c_str());
    WritePrivateProfileStringA("Element", "Type", std::to_string(s.type).c_str(), ini.c_str());
    WritePrivateProfileStringA("Element", "SubType", std::to_string(s.subType).c_str(), ini.c_str());
    WritePrivateProfileStringA("Element", "Time", stamp, ini.c_str());
    ActionOutcome outcome = Done(ZOSCAN_STATE_COPIED);
    outcome.backupMade = 1;
    return outcome;
}

} // namespace

std::string QuarantineFolder(const AnalysisSettings& settings)
{
    std::string dllFolder = standin::ModuleFolder();
    auto clid = settings.values.find(ZOSCAN_CFG_QEM_CLID);
    if (clid != settings.values.end()) {
        char folder[MAX_PATH] = {};
        GetPrivateProfileStringA("Clients", std::to_string(clid->second).c_str(), "", folder, MAX_PATH,
                                 (dllFolder + "QemClients.ini").c_str());
        if (*folder)
            return folder;
    }
    std::string configured = standin::ScenarioText("Quarantine", "Folder");
    return configured.empty() ? dllFolder + "Quarantine" : configured;
}

uint32_t PossibleActions(const qelsig::Signature& signature)
{
    uint32_t all = ZOSCAN_POSSIBLE_MOVE_QUARANTINE | ZOSCAN_POSSIBLE_ERASE | ZOSCAN_POSSIBLE_IGNORE |
                   ZOSCAN_POSSIBLE_RENAME | ZOSCAN_POSSIBLE_COPY_QUARANTINE;
    return signature.kind == qelsig::kKindPattern ? all | ZOSCAN_POSSIBLE_DISINFECT : all;
}

ActionOutcome ApplyAction(uint32_t action, const Infection& infection, const AnalysisSettings& settings)
{
    switch (action) {
    case ZOSCAN_ACTION_DISINFECT:
        return Disinfect(infection);
    case ZOSCAN_ACTION_DELETE:
        return Erase(infection.path, ZOSCAN_STATE_ERASED);
    case ZOSCAN_ACTION_RENAME:
        return Rename(infection.path);
    case ZOSCAN_ACTION_COPY_QUARANTINE:
        return CopyToQuarantine(infection, settings);
    case ZOSCAN_ACTION_MOVE_QUARANTINE: {
        ActionOutcome copied = CopyToQuarantine(infection, settings);
        if (copied.state != ZOSCAN_STATE_COPIED)
            return copied;
        ActionOutcome erased = Erase(infection.path, ZOSCAN_STATE_QUARANTINED);
        erased.backupMade = 1;
        return erased;
    }
    default:
        return Done(ZOSCAN_STATE_INFECTED);
    }
}
