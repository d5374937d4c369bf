#include "TestSeams.h"

#include "SystemFacts.h"

#include <cstdio>
#include <string>

namespace {

std::string& g_rebootJournal = *new std::string;

bool RealRequestReboot(UINT flags)
{
    HANDLE token;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
        TOKEN_PRIVILEGES privileges = {};
        privileges.PrivilegeCount = 1;
        privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
        if (LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &privileges.Privileges[0].Luid))
            AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
        CloseHandle(token);
    }
    return ExitWindowsEx(flags, SHTDN_REASON_MAJOR_APPLICATION | SHTDN_REASON_FLAG_PLANNED) != FALSE;
}

bool AnswerYes() { return true; }
bool AnswerNo() { return false; }

bool RecordReboot(UINT flags)
{
    FILE* file = fopen(g_rebootJournal.c_str(), "ab");
    if (!file)
        return false;
    fprintf(file, "reboot 0x%X\r\n", flags);
    fclose(file);
    return true;
}

std::string Seam(const std::string& file, const char* key)
{
    char value[64] = {};
    GetPrivateProfileStringA("TestSeams", key, "", value, sizeof(value), file.c_str());
    return value;
}

} // namespace

SystemCalls g_system = {IsAdministrator, RealRequestReboot, false};

void LoadTestSeams(const char* programFolder)
{
    std::string file = std::string(programFolder) + "\\KVScan.test-seams.ini";
    if (GetFileAttributesA(file.c_str()) == INVALID_FILE_ATTRIBUTES || Seam(file, "Enabled") != "for tests only")
        return;
    std::string admin = Seam(file, "Administrator");
    if (admin == "yes")
        g_system.isAdministrator = AnswerYes;
    else if (admin == "no")
        g_system.isAdministrator = AnswerNo;
    if (Seam(file, "Reboot") == "record") {
        g_rebootJournal = std::string(programFolder) + "\\reboot-requests.txt";
        g_system.requestReboot = RecordReboot;
    }
    g_system.holdWorkThread = Seam(file, "WorkThread") == "wait";
}
