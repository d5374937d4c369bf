#include "WorkFolders.h"

#include "FileHelpers.h"
#include "Globals.h"
#include "KVLog.h"
#include "ScopeLogger.h"
#include "TessalyConfig.h"
#include "TextHelpers.h"

#include <windows.h>
#include <aclapi.h>

namespace {

struct FolderName {
    std::wstring TessalyConfig::*field;
    const char* name;
};

const FolderName kFolders[FOLDER_COUNT] = {
    {&TessalyConfig::reportFolder, "ReportFolder"},
    {&TessalyConfig::quarantineFolder, "QuarantineFolder"},
    {&TessalyConfig::suspiciousFolder, "SuspiciousFolder"},
    {&TessalyConfig::statisticFolder, "StatisticsFolder"},
    {&TessalyConfig::filteredElementsFolder, "FilteredElementsFolder"},
};

bool FolderExists(const std::wstring& path)
{
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring WithoutTrailingSlashes(std::wstring path)
{
    while (!path.empty() && (path.back() == L'\\' || path.back() == L'/'))
        path.pop_back();
    return path;
}

bool SameFolder(const std::wstring& a, const std::wstring& b)
{
    wchar_t fullA[MAX_PATH] = {}, fullB[MAX_PATH] = {};
    if (!GetFullPathNameW(a.c_str(), MAX_PATH, fullA, nullptr) || !GetFullPathNameW(b.c_str(), MAX_PATH, fullB, nullptr))
        return false;
    return lstrcmpiW(WithoutTrailingSlashes(fullA).c_str(), WithoutTrailingSlashes(fullB).c_str()) == 0;
}

struct Grant {
    DWORD rights;
    DWORD inheritance;
};

// Adds allow entries for Everyone to the access list of path, in one change.
DWORD GrantEveryone(const std::wstring& path, const Grant* grants, ULONG count)
{
    PSID everyone = nullptr;
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    if (!AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone))
        return GetLastError();
    PACL oldAcl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    DWORD error = GetNamedSecurityInfoW(const_cast<wchar_t*>(path.c_str()), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                                        nullptr, nullptr, &oldAcl, nullptr, &descriptor);
    if (error == ERROR_SUCCESS) {
        EXPLICIT_ACCESSW access[4] = {};
        for (ULONG i = 0; i < count && i < 4; ++i) {
            access[i].grfAccessPermissions = grants[i].rights;
            access[i].grfAccessMode = GRANT_ACCESS;
            access[i].grfInheritance = grants[i].inheritance;
            access[i].Trustee.TrusteeForm = TRUSTEE_IS_SID;
            access[i].Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
            access[i].Trustee.ptstrName = static_cast<LPWSTR>(everyone);
        }
        PACL newAcl = nullptr;
        error = SetEntriesInAclW(count < 4 ? count : 4, access, oldAcl, &newAcl);
        if (error == ERROR_SUCCESS) {
            error = SetNamedSecurityInfoW(const_cast<wchar_t*>(path.c_str()), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                                          nullptr, nullptr, newAcl, nullptr);
            LocalFree(newAcl);
        }
        LocalFree(descriptor);
    }
    FreeSid(everyone);
    return error;
}

} // namespace

std::wstring& WorkFolder(TessalyConfig& config, int index)
{
    return config.*kFolders[index].field;
}

const std::wstring& WorkFolder(const TessalyConfig& config, int index)
{
    return config.*kFolders[index].field;
}

void MakeWorkFoldersAbsolute(TessalyConfig& config)
{
    const std::wstring programFolder = ToWide(config.programFolder);
    for (int i = 0; i < FOLDER_COUNT; ++i) {
        std::wstring& folder = WorkFolder(config, i);
        if (!folder.empty())
            folder = MakeAbsolute(folder, programFolder);
    }
}

int PrepareWorkFolders(const TessalyConfig& config, bool onlyMissing)
{
    KV_SCOPE(config.logModule.c_str(), "PrepareWorkFolders()");
    const std::wstring programFolder = ToWide(config.programFolder);
    for (int i = 0; i < FOLDER_COUNT; ++i) {
        const std::wstring& folder = WorkFolder(config, i);
        const std::string text = ToNarrow(folder);
        if (folder.empty() || SameFolder(folder, programFolder)) {
            KV_GenerateLog(config.logModule.c_str(), KV_SOURCE_FILE, __LINE__,
                           "The %s is not used (its name is empty or the program folder) [%s]", kFolders[i].name,
                           text.c_str());
            continue;
        }
        if (onlyMissing && FolderExists(folder))
            continue;
        KV_GenerateLog(config.logModule.c_str(), KV_SOURCE_FILE, __LINE__,
                       "Trying to create and/or cleaning the %s [%s]", kFolders[i].name, text.c_str());
        if (CreateAndCleanFolder(folder) != 0) {
            KV_GenerateLog(config.logModule.c_str(), KV_SOURCE_FILE, __LINE__,
                           "Unknown error creating and/or cleaning the %s [%s]", kFolders[i].name, text.c_str());
            return 2;
        }
    }
    return 0;
}

unsigned long AllowEveryoneWorkAccess(const TessalyConfig& config)
{
    const std::wstring programFolder = ToWide(config.programFolder);
    // The program folder: read, run and delete (for the cleaner), nothing that writes or replaces a program.
    const Grant program = {FILE_GENERIC_READ | FILE_GENERIC_EXECUTE | DELETE | FILE_DELETE_CHILD,
                           SUB_CONTAINERS_AND_OBJECTS_INHERIT};
    DWORD error = GrantEveryone(programFolder, &program, 1);
    for (int i = 0; i < FOLDER_COUNT && error == ERROR_SUCCESS; ++i) {
        const std::wstring& folder = WorkFolder(config, i);
        if (folder.empty() || SameFolder(folder, programFolder) || !FolderExists(folder))
            continue;
        const Grant modify = {FILE_GENERIC_READ | FILE_GENERIC_WRITE | FILE_GENERIC_EXECUTE | DELETE,
                              SUB_CONTAINERS_AND_OBJECTS_INHERIT};
        error = GrantEveryone(folder, &modify, 1);
    }
    return error;
}
