// Stand-in for the engine's analysis system, zokas.dll: analysis-system handles and the definition-file
// subsystem over "Qel.sig". Every call is written to the journal; any call can be made to fail through
// the scenario file (StandInFiles.h).

#include "zokas.h"

#include "QelSig.h"
#include "SignatureUpdate.h"
#include "StandInFiles.h"

#include <windows.h>

#include <cstring>
#include <map>
#include <memory>
#include <mutex>

using standin::Hex;
using standin::Number;
using standin::Quoted;

namespace {

struct Session {
    std::string installationId;
    std::string appRefVersion;
    std::string path;
    bool definitionsOpen = false;
    bool fileScanningOpen = false;
    std::string signaturePath;
    qelsig::SignatureSet signatures;
    int lastError = 0;
};

std::mutex g_lock;
std::map<uintptr_t, std::unique_ptr<Session>> g_sessions;
uintptr_t g_nextHandle = 0x5A000;

void Log(const std::string& text)
{
    standin::Journal("zokas", text);
}

std::string HandleText(ZokasHandle handle)
{
    return standin::HexNumber(reinterpret_cast<uintptr_t>(handle));
}

Session* Find(ZokasHandle handle)
{
    auto it = g_sessions.find(reinterpret_cast<uintptr_t>(handle));
    return it == g_sessions.end() ? nullptr : it->second.get();
}

// Journals the call and returns its result, remembering failures for MDFS_GetLastError.
int Finish(Session* session, const std::string& call, int result)
{
    if (session && result)
        session->lastError = result;
    Log(call + " -> " + Number(result));
    return result;
}

std::string BoundedText(const char* text, size_t limit)
{
    return text ? std::string(text, strnlen(text, limit)) : std::string();
}

} // namespace

extern "C" ZokasHandle __cdecl AS_InitializeAnalysisSystem(const ZoAnalysisSystemRecord* record, const char* path,
                                                          int flag)
{
    std::lock_guard<std::mutex> hold(g_lock);
    std::string call = "AS_InitializeAnalysisSystem";
    if (record)
        call += " record={size=" + Number(record->size) + " id=" + Quoted(BoundedText(record->installationId, 32).c_str()) +
                " version=" + Quoted(BoundedText(record->appRefVersion, 32).c_str()) + "}";
    else
        call += " record=null";
    call += " path=" + Quoted(path) + " flag=" + Number(flag);
    int error = standin::InjectedFailure("AS_InitializeAnalysisSystem");
    if (!error && (!record || record->size != sizeof(ZoAnalysisSystemRecord) || !path))
        error = ZOKAS_ERROR_BAD_ARGUMENT;
    if (error) {
        SetLastError(error);
        Log(call + " -> 0 error=" + Number(error));
        return nullptr;
    }
    auto session = std::make_unique<Session>();
    session->installationId = BoundedText(record->installationId, 32);
    session->appRefVersion = BoundedText(record->appRefVersion, 32);
    session->path = path;
    uintptr_t handle = ++g_nextHandle;
    g_sessions[handle] = std::move(session);
    Log(call + " -> " + standin::HexNumber(handle));
    return reinterpret_cast<ZokasHandle>(handle);
}

extern "C" int __cdecl AS_FreeAnalysisSystem(ZokasHandle handle)
{
    std::lock_guard<std::mutex> hold(g_lock);
    std::string call = "AS_FreeAnalysisSystem handle=" + HandleText(handle);
    if (int error = standin::InjectedFailure("AS_FreeAnalysisSystem"))
        return Finish(nullptr, call, error);
    if (!g_sessions.erase(reinterpret_cast<uintptr_t>(handle)))
        return Finish(nullptr, call, ZOKAS_ERROR_BAD_HANDLE);
    return Finish(nullptr, call, 0);
}

extern "C" int __cdecl MDFS_InitializeMalwareDefinitionFileSubsystem(ZokasHandle handle, const char* signaturePath,
                                                                    int flag)
{
    std::lock_guard<std::mutex> hold(g_lock);
    std::string call = "MDFS_InitializeMalwareDefinitionFileSubsystem handle=" + HandleText(handle) +
                       " path=" + Quoted(signaturePath) + " flag=" + Number(flag);
    Session* session = Find(handle);
    if (!session)
        return Finish(nullptr, call, ZOKAS_ERROR_BAD_HANDLE);
    if (int error = standin::InjectedFailure("MDFS_InitializeMalwareDefinitionFileSubsystem"))
        return Finish(session, call, error);
    if (!signaturePath)
        return Finish(session, call, ZOKAS_ERROR_BAD_ARGUMENT);
    qelsig::SignatureSet set;
    int error = static_cast<int>(qelsig::Load(signaturePath, set));
    if (error)
        return Finish(session, call, error);
    session->signatures = std::move(set);
    session->signaturePath = signaturePath;
    session->definitionsOpen = true;
    return Finish(session, call + " signatures=" + Number(session->signatures.signatures.size()), 0);
}

extern "C" int __cdecl MDFS_FreeMalwareDefinitionFileSubsystem(ZokasHandle handle)
{
    std::lock_guard<std::mutex> hold(g_lock);
    std::string call = "MDFS_FreeMalwareDefinitionFileSubsystem handle=" + HandleText(handle);
    Session* session = Find(handle);
    if (!session)
        return Finish(nullptr, call, ZOKAS_ERROR_BAD_HANDLE);
    if (int error = standin::InjectedFailure("MDFS_FreeMalwareDefinitionFileSubsystem"))
        return Finish(session, call, error);
    int result = session->definitionsOpen ? 0 : ZOKAS_ERROR_NOT_READY;
    session->definitionsOpen = false;
    session->signatures = {};
    return Finish(session, call, result);
}

extern "C" int __cdecl MDFS_GetInfoInt(ZokasHandle handle, int item, int* value)
{
    std::lock_guard<std::mutex> hold(g_lock);
    std::string call = "MDFS_GetInfoInt handle=" + HandleText(handle) + " item=" + Number(item);
    Session* session = Find(handle);
    if (!session)
        return Finish(nullptr, call, ZOKAS_ERROR_BAD_HANDLE);
    if (int error = standin::InjectedFailure("MDFS_GetInfoInt", Number(item).c_str()))
        return Finish(session, call, error);
    if (!session->definitionsOpen)
        return Finish(session, call, ZOKAS_ERROR_NOT_READY);
    const qelsig::SignatureSet& set = session->signatures;
    uint32_t answer = 0;
    switch (item) {
    case ZOKAS_INFO_SET_NUMBER: answer = set.setNumber; break;
    case ZOKAS_INFO_DATE: answer = set.date; break;
    case ZOKAS_INFO_USABLE: answer = set.usable; break;
    default: return Finish(session, call, ZOKAS_ERROR_BAD_ARGUMENT);
    }
    if (!value)
        return Finish(session, call, ZOKAS_ERROR_BAD_ARGUMENT);
    *value = static_cast<int>(answer);
    return Finish(session, call + " value=" + Number(answer), 0);
}

extern "C" int __cdecl MDFS_GetInfoString(ZokasHandle handle, int item, char* buffer, int size)
{
    std::lock_guard<std::mutex> hold(g_lock);
    std::string call = "MDFS_GetInfoString handle=" + HandleText(handle) + " item=" + Number(item) +
                       " size=" + Number(size);
    Session* session = Find(handle);
    if (!session)
        return Finish(nullptr, call, ZOKAS_ERROR_BAD_HANDLE);
    if (int error = standin::InjectedFailure("MDFS_GetInfoString", Number(item).c_str()))
        return Finish(session, call, error);
    if (!session->definitionsOpen)
        return Finish(session, call, ZOKAS_ERROR_NOT_READY);
    std::string answer;
    if (item == ZOKAS_INFO_USABLE)
        answer = session->signatures.dateText;
    else if (item == ZOKAS_INFO_SET_NUMBER)
        answer = std::to_string(session->signatures.setNumber);
    else
        return Finish(session, call, ZOKAS_ERROR_BAD_ARGUMENT);
    if (!buffer || size <= 0 || answer.size() >= static_cast<size_t>(size))
        return Finish(session, call, ZOKAS_ERROR_BAD_ARGUMENT);
    std::memcpy(buffer, answer.c_str(), answer.size() + 1);
    return Finish(session, call + " value=" + Quoted(answer.c_str()), 0);
}

extern "C" int __cdecl MDFS_GetLastError(ZokasHandle handle)
{
    std::lock_guard<std::mutex> hold(g_lock);
    Session* session = Find(handle);
    int result = session ? session->lastError : ZOKAS_ERROR_BAD_HANDLE;
    Log("MDFS_GetLastError handle=" + HandleText(handle) + " -> " + Number(result));
    return result;
}

extern "C" int __cdecl MDFS_UpdateSignatureFile(ZokasHandle handle, int mode, const char* updatePath,
                                                const char* signaturePath)
{
    std::lock_guard<std::mutex> hold(g_lock);
    std::string call = "MDFS_UpdateSignatureFile handle=" + HandleText(handle) + " mode=" + Number(mode) +
                       " update=" + Quoted(updatePath) + " target=" + Quoted(signaturePath);
    Session* session = Find(handle);
    if (!session)
        return Finish(nullptr, call, ZOKAS_ERROR_BAD_HANDLE);
    if (int error = standin::InjectedFailure("MDFS_UpdateSignatureFile"))
        return Finish(session, call, error);
    if (!updatePath || !signaturePath || (mode != 2 && mode != 3))
        return Finish(session, call, ZOKAS_ERROR_BAD_ARGUMENT);
    qelsig::SignatureSet set;
    int error = static_cast<int>(ReplaceSignatureFile(mode, updatePath, signaturePath, set));
    if (error)
        return Finish(session, call, error);
    // The session goes on with the new definitions.
    if (session->definitionsOpen) {
        session->signatures = std::move(set);
        session->signaturePath = signaturePath;
    }
    return Finish(session, call + " replaced date=" + Quoted(session->signatures.dateText.c_str()), 0);
}

extern "C" int __cdecl FSS_InitializeFileScanningSubsystem(ZokasHandle handle, int reserved1, int reserved2)
{
    std::lock_guard<std::mutex> hold(g_lock);
    std::string call = "FSS_InitializeFileScanningSubsystem handle=" + HandleText(handle) + " a=" +
                       Number(reserved1) + " b=" + Number(reserved2);
    Session* session = Find(handle);
    if (!session)
        return Finish(nullptr, call, ZOKAS_ERROR_BAD_HANDLE);
    if (int error = standin::InjectedFailure("FSS_InitializeFileScanningSubsystem"))
        return Finish(session, call, error);
    if (!session->definitionsOpen)
        return Finish(session, call, ZOKAS_ERROR_NOT_READY);
    session->fileScanningOpen = true;
    return Finish(session, call, 0);
}

extern "C" int __cdecl FSS_FreeFileScanningSubsystem(ZokasHandle handle)
{
    std::lock_guard<std::mutex> hold(g_lock);
    std::string call = "FSS_FreeFileScanningSubsystem handle=" + HandleText(handle);
    Session* session = Find(handle);
    if (!session)
        return Finish(nullptr, call, ZOKAS_ERROR_BAD_HANDLE);
    if (int error = standin::InjectedFailure("FSS_FreeFileScanningSubsystem"))
        return Finish(session, call, error);
    int result = session->fileScanningOpen ? 0 : ZOKAS_ERROR_NOT_READY;
    session->fileScanningOpen = false;
    return Finish(session, call, result);
}
